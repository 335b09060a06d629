#pragma once

#include <QDomDocument>
#include <QHash>
#include <QMainWindow>

#include <functional>

class QAction;
class QLabel;

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUserInterface();
    void buildFrameMenu();
    void buildStatusBar();
    void connectOwnActions();
    QAction *ownAction(const QString &name, const QString &caption);

    QDomDocument m_menuDocument; // kept for the window's life: actions refer to it
    QHash<QString, QAction *> m_actions;
    QHash<QString, std::function<void()>> m_handlers;
    QLabel *m_statusDate = nullptr;
    bool m_closing = false;
};

// The main window of the process (null when there is none).
extern TfmStudentList *fmStudentList;
