#pragma once

#include "comtypes.h"
#include "typelib_global.h"

#include <lxlog.h>

#include <QDate>
#include <QString>
#include <QVariant>

class ILxParams;
class IVelmData;
class IVelmPlugins;

// {C7ACCDB7-58E1-41BF-B27A-E0D61F6D717B}
inline constexpr QUuid IID_IVelmApplication{
        0xC7ACCDB7, 0x58E1, 0x41BF, 0xB2, 0x7A, 0xE0, 0xD6, 0x1F, 0x6D, 0x71, 0x7B};
// {0EFB233A-909A-4D8C-8A40-A0C8F131EE3A}
inline constexpr QUuid CLSID_VelmApplication{
        0x0EFB233A, 0x909A, 0x4D8C, 0x8A, 0x40, 0xA0, 0xC8, 0xF1, 0x31, 0xEE, 0x3A};

enum class IVelmApplicationDispid {
    Visible = 1,
    Plugins = 2,
    Appl = 3,
    Log = 4,
    Login = 5,
    Quit = 6,
    TempDir = 8,
    Data = 11,
    UserOptions = 13,
    Journal = 14,
    CurrentDate = 201,
    SaveUserOptions = 202,
    SaveUserColorSettings = 203,
    ScreenRefresh = 204,
};

// The host's application object, handed to every plug-in by Init.
class VELMTYPELIB_EXPORT IVelmApplication : public virtual IVelmUnknown
{
public:
    ~IVelmApplication() override;

    // True when the main window exists and is visible.
    virtual bool Visible() const = 0;
    // Shows or hides the main window; needs a login.
    virtual void SetVisible(bool visible) = 0;
    // The plug-in collection; nullptr before the host has prepared it.
    virtual IVelmPlugins *Plugins() = 0;
    // The application object itself.
    virtual IVelmApplication *Appl() = 0;
    virtual void Log(const QString &message, int level = elInfo) = 0;
    // False without effect when already logged in.
    virtual bool Login(const QString &user, const QString &password, bool showLoginDialog = false)
            = 0;
    virtual void Quit() = 0;
    // The process's temporary directory, ending with a path separator.
    virtual QString TempDir() const = 0;
    // The data object of the student register, created on the first request.
    virtual IVelmData *Data() = 0;
    // The user's option set.
    virtual ILxParams *UserOptions() = 0;
    // Writes a journal row; transactionHandle 0 means outside a caller's transaction.
    virtual void Journal(const QString &msg,
                         const QVariant &mname = {},
                         const QVariant &action = {},
                         int transactionHandle = 0,
                         int parentId = 0)
            = 0;
    // Today when the register shows current data, else the register's status date.
    virtual QDate CurrentDate() const = 0;
    virtual void SetCurrentDate(const QDate &date) = 0;
    virtual void SaveUserOptions() = 0;
    virtual void SaveUserColorSettings() = 0;
    virtual void ScreenRefresh() = 0;
};
