#pragma once

#include "hostfixture.h"
#include "velmapplication.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class TfmStudentList;

// The log of this process in a file of the test's own, every level written, while the object
// lives.
class TestLog
{
public:
    TestLog();
    ~TestLog();

    QString Text() const;
    // The lines that contain the text, in order.
    QStringList Lines(const QString &containing) const;

private:
    QTemporaryDir m_dir;
    int m_previousLevel;
};

// A personal-mode installation with the schema, the shipped options and five students of one
// owner, in the order of their names: 101 Андреев, 102 Борисов, 103 Васильев, 104 Григорьев,
// 105 Дмитриев. start() logs in as SYSDBA (login()) and prepares the application with its
// plug-ins and main window (prepare()); TearDown unprepares it.
class RegisterFixture : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    void start();
    void login();
    void prepare();

    TestRegistry m_registry;
    SchemaDatabase m_db;
    QTemporaryDir m_options;
    TestLog m_log;
    TVelmApplication m_application;
    TfmStudentList *m_window = nullptr;
};
