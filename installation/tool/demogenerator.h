#pragma once

#include <QDate>
#include <QtGlobal>

#include <functional>

namespace fb {
class Database;
}

// Fills a new database with the students of a medical university: names of both sexes with
// patronymics, personal data, the faculty, speciality, course, group, form of study and
// financing, and the dated history of all of them (admission, yearly transfers, academic
// leave, expulsion, graduation, a change of surname after marriage). The same seed and year
// always give the same rows.
class DemoGenerator
{
public:
    struct Settings
    {
        int students = 0;
        quint64 seed = 1;
        // The academic year the data describe, by the year of its autumn; 0: the current one.
        int year = 0;
    };
    using Progress = std::function<void(int done, int total)>;

    DemoGenerator(fb::Database &database, const Settings &settings);

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Inserts the students and their history, committing every few thousand students.
    void run();

    // The academic year a date falls in: it begins on 1 September.
    static int academicYear(const QDate &date);

private:
    fb::Database &m_database;
    Settings m_settings;
    Progress m_progress;
};
