#pragma once

#include <QDate>
#include <QDomDocument>
#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QDateEdit;
class QKeySequence;
class QLabel;
class QMenu;
class QTimer;
class TStudentGrid;
class TStudentGridDelegate;
class TStudentListModel;
class TXMLIniFile;

namespace fb {
class DataSet;
class Query;
class Transaction;
} // namespace fb

// The host's main window and the student register: the students of the chosen field list as
// they are now or at a date, from the main register or the archive, with the menus and tool bars
// of the user-interface definition, the status bar and the register's own commands.
class TfmStudentList : public QMainWindow
{
    Q_OBJECT

public:
    // Parts of the window state kept in the user's settings.
    enum WindowStateFlag {
        wsFilter = 1,
        wsGridLayout = 2,
        wsDocking = 4,
        wsFrozeLayout = 16,
    };

    explicit TfmStudentList(QWidget *parent = nullptr);
    ~TfmStudentList() override;

    QAction *Action(const QString &name) const { return m_actions.value(name); }
    // Enables every action by the user's rights and by whether the window can run it now.
    void UpdateActions();

    TStudentGrid *Grid() const { return m_grid; }
    fb::DataSet *Students() const { return m_students; }

    // Builds the select of the stored field list for the current mode and (re)opens the
    // register; with rebuild the columns are laid out anew from the field repository.
    void OpenList(bool rebuild);
    // Reopens the register keeping the current student as the current row; the close and the
    // open are not announced (Refreshed is emitted at the end).
    void Refresh();
    bool IsRefreshing() const { return m_refreshing; }
    // Clears the marks, closes and reopens the register (every row is read again).
    void RefreshFull();
    // Reads the current row again.
    void RefreshCurrentRow();
    // Makes the row of that student current; false when the register has none.
    bool LocateStudent(const QVariant &studentId);
    // The rows the register's commands work on: 0 for an empty register, all rows (fetched
    // first) when the whole grid is selected, else the marked rows, else 1 (the current row).
    int SelectedCount();
    // The whole grid as the selection (rows not fetched yet included).
    void SelectAll();
    bool IsEmpty() const;

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
    bool FrozeLayout() const;
    void SetFrozeLayout(bool froze);

    // The stored field list of the register, or the main fields when none is stored.
    QString StoredFields() const;
    // The ORDER BY text of the open register.
    QString Order() const { return m_order; }
    // Sorts by the column (add: as a further sort column; the same column again turns the
    // direction) and reopens on the current student.
    void SortByColumn(int column, bool add);
    void UpdateStatusBar();

    // Commands of the register; each asks before it changes anything (the question hook below).
    void DeleteSelected();
    void MoveSelectedToArchive(bool toArchive);
    void CopyToClipboard();

    void SaveSelection(const QString &fileName);
    // Marks the rows of the file's students present in the register (from the first row on,
    // until as many are marked as the file names).
    void LoadSelection(const QString &fileName);
    void SaveGridLayout(const QString &fileName);
    // Takes the file's field list and column layout; a broken file or one of another version
    // is reported and changes nothing.
    void LoadGridLayout(const QString &fileName);

    void LoadWindowState(int flags);
    void SaveWindowState(int flags);

    // Called 300 ms after the kind or number of marked rows changed (the data object sets it).
    std::function<void()> OnSelectionChanged;
    // With the data object attached the register's own after-open and before-close handling
    // (count reset, sort markers, marks, saving the layout) is off: the data object raises its
    // events instead.
    void SetDataObjectAttached(bool attached) { m_dataObjectAttached = attached; }
    bool DataObjectAttached() const { return m_dataObjectAttached; }
    // Asked before deleting or moving students (message boxes by default; tests answer).
    std::function<bool(const QString &question)> Confirm;

signals:
    void Refreshed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUserInterface();
    void buildFrameMenu();
    void buildStatusBar();
    void buildPopupMenu();
    void createOwnActions();
    // Runs the window's handler of the action; an error is shown, not passed on.
    void runHandler(const QString &name);
    QAction *ownAction(const QString &name,
                       const QString &caption,
                       const QKeySequence &key,
                       std::function<void()> handler);
    void buildGrid();
    void fitColumns();
    TXMLIniFile props() const;
    QString storedValue(const QString &key) const;
    void storeValue(const QString &key, const QString &value);
    // Keeps the register's field list and order in the user's settings for the next start.
    void saveListState();
    QString listSql(const QString &fields) const;
    void askLastData();
    void afterOpen();
    void beforeClose();
    void showSortMarkers();
    void selectionChanged();
    void checkSelectionChange();
    // Runs a change of the selected students in Tran with a parent journal row; on an error the
    // run is rolled back and the register reopened.
    void changeSelected(const QString &journalText,
                        const QString &action,
                        const std::function<void()> &change);
    QList<int> selectedRowsDescending();
    QString askFileName(bool save, const QString &title, const QString &filter, const QString &ext);
    void restoreGeometryFromSettings();
    void saveGeometryToSettings();
    bool ask(const QString &question);

    QDomDocument m_menuDocument; // kept for the window's life: actions refer to it
    QHash<QString, QAction *> m_actions;
    QHash<QString, std::function<void()>> m_handlers;
    QHash<QString, std::function<bool()>> m_enablers;
    QMenu *m_popupMenu = nullptr;
    QLabel *m_lbStatusDate = nullptr;
    QLabel *m_statusCount = nullptr;
    QLabel *m_statusRow = nullptr;
    QLabel *m_statusName = nullptr;
    QDateEdit *m_dateEdit = nullptr;
    QTimer *m_statusTimer = nullptr;
    QTimer *m_selectionTimer = nullptr;

    fb::Transaction *m_tran = nullptr;
    fb::DataSet *m_students = nullptr;
    std::unique_ptr<fb::Query> m_qrArch;
    TStudentListModel *m_model = nullptr;
    TStudentGrid *m_grid = nullptr;
    TStudentGridDelegate *m_delegate = nullptr;
    QString m_moduleCaption;
    QString m_order;
    QDate m_statusDate;
    bool m_lastData = true;
    bool m_archive = false;
    bool m_creating = false;
    bool m_dataObjectAttached = false;
    bool m_refreshing = false;
    int m_maxRecords = -1;
    qint64 m_countResult = -1;
    bool m_lastWholeGrid = false;
    int m_lastMarked = 0;
    bool m_closing = false;
};

// The main window of the process (null when there is none).
extern TfmStudentList *fmStudentList;
