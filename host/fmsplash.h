#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// The splash window of the start, also the about box: the product name, the installed version
// ("Version" of the product key), and during the start a progress bar with the current step.
class TfmSplash : public QWidget
{
    Q_OBJECT

public:
    enum class Mode { Splash, About };

    explicit TfmSplash(Mode mode, QWidget *parent = nullptr);

    Mode mode() const { return m_mode; }
    // Steps the progress bar and shows the text of the step.
    void Step(const QString &text);
    QString StatusText() const;
    int Progress() const;
    QString VersionText() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    Mode m_mode;
    QLabel *m_version = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_progress = nullptr;
};

// The splash of the start. Everything runs on the main thread: each status repaints the window
// at once and keeps the text visible for 70 ms.

// Shows the splash window; it stays at least minimumMilliseconds on screen.
void RunSplash(int minimumMilliseconds);
// Shows the text of a start step (translated) and steps the bar; nothing without a splash.
void SplashStatus(const QString &text);
// Hides or shows the splash window again (around a question during the start).
void SplashVisible(bool show);
// Ends the splash: closes it now, or from a timer once its minimum time has passed. The caller
// never waits.
void FinishSplash();
// The splash window of this start; null when there is none (any more).
TfmSplash *Splash();

// The about box: the splash window without progress; a click or leaving it closes it.
TfmSplash *ShowAbout(QWidget *parent);
