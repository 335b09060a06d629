#include "velmdataobject.h"

#include "ivelmdata.h"

VelmDataObject::VelmDataObject(IVelmData *data, QObject *parent)
    : QObject(parent)
    , m_data(data)
{}

QString VelmDataObject::UserName()
{
    return m_data->UserName();
}

QString VelmDataObject::Password()
{
    return m_data->Password();
}

QString VelmDataObject::DBName()
{
    return m_data->DBName();
}

bool VelmDataObject::IsEmpty()
{
    return m_data->IsEmpty();
}

void VelmDataObject::Refresh(bool fullRefresh)
{
    m_data->Refresh(fullRefresh);
}

QVariant VelmDataObject::GetData(const QString &fieldName)
{
    return m_data->GetData(fieldName);
}

bool VelmDataObject::Locate(const QVariant &id)
{
    return m_data->Locate(id);
}

int VelmDataObject::GetSelCount()
{
    return m_data->GetSelCount();
}

QString VelmDataObject::GetSelectedList(const QString &fieldName, const QString &delimiter)
{
    return m_data->GetSelectedList(fieldName, delimiter);
}

QString VelmDataObject::GetSQL(const QString &fields, int historyMode, int maxRecords)
{
    return m_data->GetSQL(fields, historyMode, maxRecords);
}

QString VelmDataObject::GetAliasForField(const QString &fieldName, int historyMode)
{
    return m_data->GetAliasForField(fieldName, historyMode);
}

int VelmDataObject::FillSelectedList(int transactionHandle)
{
    return m_data->FillSelectedList(transactionHandle);
}
