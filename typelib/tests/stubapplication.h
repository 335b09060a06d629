#pragma once

#include <ilxparams.h>
#include <ivelmapplication.h>

#include <QStringList>

#include <memory>

// An application object for plug-ins under test: records what it is asked to log; members a
// plug-in of these tests never calls throw.
class StubApplication : public IVelmApplication
{
public:
    int AddRef() override { return 2; }
    int Release() override { return 1; }

    bool Visible() const override { return false; }
    void SetVisible(bool) override;
    IVelmPlugins *Plugins() override { return nullptr; }
    IVelmApplication *Appl() override { return this; }
    void Log(const QString &message, int level) override;
    bool Login(const QString &, const QString &, bool) override;
    void Quit() override;
    QString TempDir() const override { return QStringLiteral("/tmp/"); }
    IVelmData *Data() override { return nullptr; }
    ILxParams *UserOptions() override { return options.get(); }
    void Journal(const QString &, const QVariant &, const QVariant &, int, int) override;
    QDate CurrentDate() const override { return QDate(2026, 12, 11); }
    void SetCurrentDate(const QDate &) override;
    void SaveUserOptions() override;
    void SaveUserColorSettings() override;
    void ScreenRefresh() override;

    QStringList logged;
    std::unique_ptr<ILxParams> options = CoLxParams::Create();
};
