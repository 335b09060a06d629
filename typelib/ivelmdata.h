#pragma once

#include "comtypes.h"
#include "typelib_global.h"

#include <QString>
#include <QVariant>

// {09AB4A29-E570-49A6-AE99-3323FF082371}
inline constexpr QUuid IID_IVelmData{
        0x09AB4A29, 0xE570, 0x49A6, 0xAE, 0x99, 0x33, 0x23, 0xFF, 0x08, 0x23, 0x71};
// {BB05B60F-4F2D-44A1-8F88-0BCDC09F6BFB}
inline constexpr QUuid CLSID_VelmData{
        0xBB05B60F, 0x4F2D, 0x44A1, 0x8F, 0x88, 0x0B, 0xCD, 0xC0, 0x9F, 0x6B, 0xFB};

enum class IVelmDataDispid {
    Refresh = 2,
    GetData = 3,
    Locate = 4,
    GetSelCount = 5,
    GetSelectedList = 6,
    UserName = 7,
    Password = 8,
    DBName = 9,
    IsEmpty = 10,
    GetSQL = 201,
    GetAliasForField = 202,
    FillSelectedList = 203,
};

// The student register as plug-ins see it: its current row, its selection and its statement.
// The object implementing it is also the IConnectionPointContainer of IVelmDataEvents.
class VELMTYPELIB_EXPORT IVelmData : public virtual IVelmUnknown
{
public:
    ~IVelmData() override;

    // Re-reads all rows (fullRefresh) or the current row only.
    virtual void Refresh(bool fullRefresh) = 0;
    // The field's value in the current row; LxError when the register has no such field.
    virtual QVariant GetData(const QString &fieldName) = 0;
    // Makes the row of that STUDENTID current; false when there is none.
    virtual bool Locate(const QVariant &id) = 0;
    virtual int GetSelCount() = 0;
    // The field's values in the selected rows, joined by the delimiter.
    virtual QString GetSelectedList(const QString &fieldName, const QString &delimiter = QString())
            = 0;
    virtual QString UserName() = 0;
    virtual QString Password() = 0;
    virtual QString DBName() = 0;
    virtual bool IsEmpty() = 0;
    // historyMode: 0 as the register shows, 1 history, anything else current data.
    virtual QString GetSQL(const QString &fields, int historyMode = 0, int maxRecords = -1) = 0;
    virtual QString GetAliasForField(const QString &fieldName, int historyMode = 0) = 0;
    // Inserts the selected rows' STUDENTID into SELECTEDIDS inside the caller's transaction;
    // returns how many rows were inserted.
    virtual int FillSelectedList(int transactionHandle) = 0;
};
