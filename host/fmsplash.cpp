#include "fmsplash.h"

#include <lxnls.h>
#include <lxutils.h>
#include <velmconsts.h>

#include "textformat.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>

#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

struct SplashState
{
    QPointer<TfmSplash> window;
    QElapsedTimer shown;
    int minimumMilliseconds = 0;
};

SplashState &splash()
{
    static SplashState state;
    return state;
}

const QColor kBackground(0xE8, 0xFF, 0xE8);
const QColor kFrame(0x2E, 0x6B, 0x3A);

QLabel *makeLabel(const QString &text, int pointSize, bool bold, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace

TfmSplash::TfmSplash(Mode mode, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                      | (mode == Mode::Splash ? Qt::SplashScreen : Qt::Popup))
    , m_mode(mode)
{
    setObjectName(QStringLiteral("fmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(440, 250);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    setPalette(colours);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 18);
    layout->addStretch(1);
    layout->addWidget(makeLabel(LxTr("Велмор"), 28, true, this));
    layout->addWidget(makeLabel(LxTr("Контингент студентов"), 11, false, this));
    layout->addStretch(1);
    m_version = makeLabel(
            FormatText(LxTr("Версия %s"), {GetRegValue(rgVelmKey(), QStringLiteral("Version"))}),
            10,
            false,
            this);
    layout->addWidget(m_version);
    if (mode == Mode::Splash) {
        m_progress = new QProgressBar(this);
        m_progress->setRange(1, 4);
        m_progress->setValue(1);
        m_progress->setTextVisible(false);
        m_progress->setFixedHeight(14);
        m_status = makeLabel(QString(), 9, false, this);
        layout->addSpacing(8);
        layout->addWidget(m_progress);
        layout->addWidget(m_status);
    } else {
        layout->addSpacing(8);
        layout->addWidget(makeLabel(LxTr("Щёлкните, чтобы закрыть"), 8, false, this));
    }
}

void TfmSplash::Step(const QString &text)
{
    if (!m_progress)
        return;
    m_progress->setValue(std::min(m_progress->value() + 1, m_progress->maximum()));
    m_status->setText(text);
}

QString TfmSplash::StatusText() const
{
    return m_status ? m_status->text() : QString();
}

int TfmSplash::Progress() const
{
    return m_progress ? m_progress->value() : 0;
}

QString TfmSplash::VersionText() const
{
    return m_version->text();
}

void TfmSplash::mousePressEvent(QMouseEvent *event)
{
    if (m_mode == Mode::About)
        close();
    else
        QWidget::mousePressEvent(event);
}

void TfmSplash::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (m_mode == Mode::About && event->type() == QEvent::ActivationChange && !isActiveWindow())
        close();
}

void TfmSplash::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(kFrame, 2));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
}

void RunSplash(int minimumMilliseconds)
{
    SplashState &state = splash();
    if (state.window)
        return;
    state.window = new TfmSplash(TfmSplash::Mode::Splash);
    state.minimumMilliseconds = minimumMilliseconds;
    centreOnScreen(state.window);
    state.window->show();
    state.window->repaint();
    state.shown.start();
    Delay(1);
}

void SplashStatus(const QString &text)
{
    TfmSplash *window = splash().window;
    if (!window)
        return;
    window->Step(LxTr(text));
    window->repaint();
    Delay(70);
}

void SplashVisible(bool show)
{
    TfmSplash *window = splash().window;
    if (!window)
        return;
    window->setVisible(show);
    if (show)
        window->repaint();
}

void FinishSplash()
{
    SplashState &state = splash();
    if (!state.window)
        return;
    const qint64 remaining = state.minimumMilliseconds - state.shown.elapsed();
    if (remaining <= 0) {
        state.window->close();
    } else {
        QPointer<TfmSplash> window = state.window;
        QTimer::singleShot(int(remaining), [window] {
            if (window)
                window->close();
        });
    }
    state.window = nullptr;
}

TfmSplash *Splash()
{
    return splash().window;
}

TfmSplash *ShowAbout(QWidget *parent)
{
    auto *about = new TfmSplash(TfmSplash::Mode::About, parent);
    about->show();
    if (parent) {
        QRect frame = about->frameGeometry();
        frame.moveCenter(parent->frameGeometry().center());
        about->move(frame.topLeft());
    } else {
        centreOnScreen(about);
    }
    about->activateWindow();
    return about;
}
