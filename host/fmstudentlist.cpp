#include "fmstudentlist.h"

#include "fmsplash.h"
#include "menuutils.h"
#include "velmapplication.h"
#include "velminit.h"

#include <lximagelist.h>
#include <lxlog.h>
#include <lxnls.h>
#include <tdm.h>
#include <velmutils.h>
#include <xmlsecurity.h>

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

TfmStudentList *fmStudentList = nullptr;

namespace {

QLabel *statusPanel(int width, Qt::Alignment alignment)
{
    auto *panel = new QLabel;
    panel->setMinimumWidth(width);
    panel->setAlignment(alignment | Qt::AlignVCenter);
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}

} // namespace

TfmStudentList::TfmStudentList(QWidget *parent)
    : QMainWindow(parent)
{
    fmStudentList = this;
    setObjectName(QStringLiteral("fmStudentList"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    const QString user = DM ? DM->UserName : QString();
    setWindowTitle(LxTr("Список студентов") + QStringLiteral(" [") + user + QStringLiteral("]"));
    resize(1000, 650);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    auto *workArea = new QWidget(this);
    workArea->setObjectName(QStringLiteral("pnWorkArea"));
    workArea->setAutoFillBackground(true);
    QPalette colours = workArea->palette();
    colours.setColor(QPalette::Window, QColor(232, 255, 232));
    workArea->setPalette(colours);
    setCentralWidget(workArea);

    buildUserInterface();
    buildStatusBar();
    UpdateActions();
}

TfmStudentList::~TfmStudentList()
{
    if (fmStudentList == this)
        fmStudentList = nullptr;
}

void TfmStudentList::buildUserInterface()
{
    const QString fileName
            = GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("userinterface.cml"));
    if (LoadEncXML(m_menuDocument, fileName)) {
        try {
            TMenuBuilder builder(this, [](int index) {
                return DM && DM->ilImages ? DM->ilImages->icon(index) : QIcon();
            });
            m_actions = builder.Build(m_menuDocument.documentElement());
            connectOwnActions();
            return;
        } catch (const std::exception &error) {
            Log(fileName + QStringLiteral(": ") + QString::fromLocal8Bit(error.what()),
                elAppException);
            menuBar()->clear();
            qDeleteAll(m_actions);
            m_actions.clear();
        }
    }
    // Without a readable definition the window still offers what it can run itself.
    buildFrameMenu();
    connectOwnActions();
}

QAction *TfmStudentList::ownAction(const QString &name, const QString &caption)
{
    auto *act = new QAction(LxTr(caption), this);
    act->setObjectName(name);
    m_actions.insert(name, act);
    return act;
}

void TfmStudentList::buildFrameMenu()
{
    QMenu *file = menuBar()->addMenu(LxTr("Файл"));
    file->addAction(ownAction(QStringLiteral("actStudentListExit"), QStringLiteral("Выход")));
    QMenu *help = menuBar()->addMenu(LxTr("Справка"));
    help->addAction(
            ownAction(QStringLiteral("actStudentListAbout"), QStringLiteral("О программе")));
}

void TfmStudentList::connectOwnActions()
{
    m_handlers.insert(QStringLiteral("actStudentListExit"), [this] { close(); });
    m_handlers.insert(QStringLiteral("actStudentListAbout"), [this] { ShowAbout(this); });
    for (auto it = m_handlers.cbegin(); it != m_handlers.cend(); ++it) {
        if (QAction *act = m_actions.value(it.key()))
            connect(act, &QAction::triggered, this, it.value());
    }
    if (QAction *exit = m_actions.value(QStringLiteral("actStudentListExit"));
        exit && exit->shortcut().isEmpty())
        exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
}

void TfmStudentList::UpdateActions()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        // Commands of the register and of the plug-ins come with their own windows; until then
        // only what this window can run is offered.
        const bool runnable = m_handlers.contains(it.key());
        const bool allowed = !DM || DM->HasRight(it.key());
        it.value()->setEnabled(runnable && allowed);
    }
}

void TfmStudentList::buildStatusBar()
{
    QStatusBar *status = statusBar();
    status->setObjectName(QStringLiteral("Status"));
    status->addWidget(statusPanel(65, Qt::AlignHCenter));
    status->addWidget(statusPanel(70, Qt::AlignHCenter));
    status->addWidget(statusPanel(400, Qt::AlignLeft), 1);
    m_statusDate = statusPanel(80, Qt::AlignHCenter);
    m_statusDate->setObjectName(QStringLiteral("lbStatusDate"));
    m_statusDate->setText(QDate::currentDate().toString(QLatin1String(VelmDateFormat)));
    status->addPermanentWidget(m_statusDate);
}

void TfmStudentList::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_closing)
        return;
    m_closing = true;
    if (VelmApplication)
        VelmApplication->Quit();
}
