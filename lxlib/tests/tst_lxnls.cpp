#include "lxnls.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <clocale>

namespace {

const char kDomain[] = "lxtest";

// The test catalogue (locale/en/LC_MESSAGES/lxtest.mo beside the test program) in English.
class TranslationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_language = qgetenv("LANGUAGE");
        qputenv("LANGUAGE", "en");
        std::setlocale(LC_MESSAGES, "C.UTF-8");
        LxBindDomain(kDomain);
    }
    void TearDown() override { qputenv("LANGUAGE", m_language); }

    QByteArray m_language;
};

TEST_F(TranslationTest, TextsComeFromTheCatalogue)
{
    EXPECT_EQ(LxTrDomain(kDomain, QStringLiteral("Ошибка")), QStringLiteral("Error"));
    EXPECT_EQ(LxTrDomain(kDomain, QStringLiteral("Нет такого текста")),
              QStringLiteral("Нет такого текста"));
    EXPECT_EQ(LxTrDomain(kDomain, QString()), QString());
    // The product's domain has no catalogue here: texts stay Russian.
    EXPECT_EQ(LxTr("Ошибка"), QStringLiteral("Ошибка"));
}

TEST_F(TranslationTest, TranslateComponentTouchesOnlyVisibleTexts)
{
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Карточка студента"));
    QMenu *menu = window.menuBar()->addMenu(QStringLiteral("Файл"));
    QAction *exit = menu->addAction(QStringLiteral("Выход"));
    QAction *save = new QAction(QStringLiteral("Сохранить"), &window);
    save->setToolTip(QStringLiteral("Сохранить изменения"));
    window.addAction(save);

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    auto *label = new QLabel(QStringLiteral("Фамилия"));
    auto *edit = new QLineEdit(QStringLiteral("Фамилия"));
    edit->setObjectName(QStringLiteral("edSurname"));
    edit->setToolTip(QStringLiteral("Фамилия"));
    auto *button = new QPushButton(QStringLiteral("Сохранить"));
    auto *group = new QGroupBox(QStringLiteral("Данные"));
    auto *tabs = new QTabWidget;
    tabs->addTab(new QWidget, QStringLiteral("Общие"));
    auto *grid = new QTableView;
    auto *model = new QStandardItemModel(0, 2, grid);
    model->setHorizontalHeaderLabels({QStringLiteral("Группа"), QStringLiteral("Курс")});
    grid->setModel(model);
    grid->setProperty("SelectSQL", QStringLiteral("select * from STUDENTS"));
    grid->setProperty("DisplayFormat", QStringLiteral("dd.MM.yyyy"));
    for (QWidget *child : std::initializer_list<QWidget *>{label, edit, button, group, tabs, grid})
        layout->addWidget(child);
    window.setCentralWidget(central);

    TranslateComponent(&window, kDomain);

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Student card"));
    EXPECT_EQ(menu->title(), QStringLiteral("File"));
    EXPECT_EQ(exit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(save->text(), QStringLiteral("Save"));
    EXPECT_EQ(save->toolTip(), QStringLiteral("Save the changes"));
    EXPECT_EQ(label->text(), QStringLiteral("Surname"));
    EXPECT_EQ(edit->toolTip(), QStringLiteral("Surname"));
    EXPECT_EQ(button->text(), QStringLiteral("Save"));
    EXPECT_EQ(group->title(), QStringLiteral("Data"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(model->horizontalHeaderItem(0)->text(), QStringLiteral("Group"));
    EXPECT_EQ(model->horizontalHeaderItem(1)->text(), QStringLiteral("Year"));

    // Data, names, SQL and formats stay as they are.
    EXPECT_EQ(edit->text(), QStringLiteral("Фамилия"));
    EXPECT_EQ(edit->objectName(), QStringLiteral("edSurname"));
    EXPECT_EQ(grid->property("SelectSQL").toString(), QStringLiteral("select * from STUDENTS"));
    EXPECT_EQ(grid->property("DisplayFormat").toString(), QStringLiteral("dd.MM.yyyy"));
}

} // namespace
