#pragma once

#include <ivelmplugin.h>

#include <QString>
#include <QVariant>

// The base of every plug-in object: the library's one creatable class derives from it and
// overrides DoExecute (and DoBeforeApplClose when closing needs asking).
//
// The application object given to Init is kept per library (this code is linked statically
// into each plug-in library, so each has its own): every object of the library sees the last
// one given, and it is cleared when the library's last object is destroyed.
//
// Objects count their references: a new object has none (its factory adds the caller's), and
// the Release that brings the count to 0 deletes it. Every step is logged at elInfo with the
// library's name: "On <Name> addref. RefCount = n", "On <Name> release. RefCount = n",
// "Start <Name> destroying.", "End <Name> destroying. RefCount=0".
class TVelmPlugin : public IVelmPlugin
{
public:
    // name: the plug-in library's name, as the log lines show it.
    explicit TVelmPlugin(const QString &name);
    ~TVelmPlugin() override;
    TVelmPlugin(const TVelmPlugin &) = delete;
    TVelmPlugin &operator=(const TVelmPlugin &) = delete;

    int AddRef() override;
    int Release() override;

    void Init(IVelmApplication *appl) override;
    IVelmApplication *Application() override;
    // DoExecute with the parameters (an empty set when params is null); whatever it throws
    // leaves as LxError.
    QVariant Execute(ILxParams *params) final;
    // DoBeforeApplClose; whatever it throws leaves as LxError.
    bool BeforeApplClose() final;

    QString Name() const { return m_name; }
    int RefCount() const { return m_refCount; }

    // The application object of this library (null before the first Init and after the
    // library's last object is gone).
    static IVelmApplication *GlobalApplication();
    // The command a parameter set names: its entry "Action" as text.
    static QString Action(const ILxParams &params);

protected:
    // Runs the command named by Action(*params); params is never null. False when the plug-in
    // does not handle the command.
    virtual QVariant DoExecute(ILxParams *params);
    // Whether the host may close; true unless the plug-in has something to ask first.
    virtual bool DoBeforeApplClose();

private:
    QString m_name;
    int m_refCount = 0;
};
