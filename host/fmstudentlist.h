#pragma once

#include <QDate>
#include <QDomDocument>
#include <QHash>
#include <QMainWindow>

#include <functional>

class QAction;
class QDateEdit;
class QKeySequence;
class QLabel;
class QTableView;
class QTimer;
class TStudentListModel;

namespace fb {
class DataSet;
class Transaction;
} // namespace fb

// The host's main window: the menus and tool bars of the user-interface definition, the status
// bar and the work area. Closing it ends the run.
class TfmStudentList : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfmStudentList(QWidget *parent = nullptr);
    ~TfmStudentList() override;

    QAction *Action(const QString &name) const { return m_actions.value(name); }
    // Enables every action by the user's rights and by whether the window can run it yet.
    void UpdateActions();

    QTableView *Grid() const { return m_grid; }
    fb::DataSet *Students() const { return m_students; }

    // Builds the select of the stored field list for the current mode and (re)opens the
    // register; with rebuild the columns are laid out anew from the field repository.
    void OpenList(bool rebuild);
    // Reopens the register keeping the current student as the current row.
    void Refresh();
    // Counts the rows of the register's complete select (the total of the status bar).
    void CountRecords();
    qint64 CountResult() const { return m_countResult; }

    QDate StatusDate() const { return m_statusDate; }
    // The date of history mode; reopens the register when it changes.
    void SetStatusDate(const QDate &date);
    // True: the students as they are now; false: as they were at StatusDate.
    bool LastData() const { return m_lastData; }
    void SetLastData(bool lastData);
    bool Archive() const { return m_archive; }
    void SetArchive(bool archive);

    // The stored field list of the register, or the main fields when none is stored.
    QString StoredFields() const;
    void UpdateStatusBar();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUserInterface();
    void buildFrameMenu();
    void buildStatusBar();
    void connectOwnActions();
    QAction *ownAction(const QString &name, const QString &caption);
    void ensureAction(const QString &name, const QString &caption, const QKeySequence &key);
    void buildGrid();
    void fitColumns();
    QString storedValue(const QString &key) const;
    // Keeps the register's field list and order in the user's settings for the next start.
    void saveListState();
    QString listSql(const QString &fields) const;
    void askLastData();

    QDomDocument m_menuDocument; // kept for the window's life: actions refer to it
    QHash<QString, QAction *> m_actions;
    QHash<QString, std::function<void()>> m_handlers;
    QLabel *m_lbStatusDate = nullptr;
    QLabel *m_statusCount = nullptr;
    QLabel *m_statusRow = nullptr;
    QLabel *m_statusName = nullptr;
    QDateEdit *m_dateEdit = nullptr;
    QTimer *m_statusTimer = nullptr;

    fb::Transaction *m_tran = nullptr;
    fb::DataSet *m_students = nullptr;
    TStudentListModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QString m_order;
    QDate m_statusDate;
    bool m_lastData = true;
    bool m_archive = false;
    bool m_creating = false;
    int m_maxRecords = -1;
    qint64 m_countResult = -1;
    bool m_closing = false;
};

// The main window of the process (null when there is none).
extern TfmStudentList *fmStudentList;
