#include "fieldutils.h"

#include <dataset.h>
#include <lxerror.h>
#include <lxnls.h>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QVariantHash>

#include <memory>

namespace {

std::unique_ptr<TLxFields> &repository()
{
    static std::unique_ptr<TLxFields> instance;
    return instance;
}

} // namespace

void LoadFieldsRep(const QString &fileName)
{
    auto loaded = std::make_unique<TLxFields>(fileName);
    repository() = std::move(loaded);
}

bool FieldsRepLoaded()
{
    return repository() != nullptr;
}

TLxFields &FieldsRep()
{
    if (!repository())
        throw LxError(LxTr("Репозиторий полей не загружен"));
    return *repository();
}

void FreeFieldsRep()
{
    repository().reset();
}

namespace {

const char kDisplayLabels[] = "velmlibDisplayLabels";
const char kDisplayFormats[] = "velmlibDisplayFormats";

QString displaySetting(const fb::DataSet &dataSet, const char *property, const QString &fieldName)
{
    return dataSet.property(property).toHash().value(fieldName.toUpper()).toString();
}

// The repository's date format with its parts named as Qt names them: months are M, minutes m
// (written m right after an hour, else n).
QString qtDateFormat(const QString &format)
{
    QString result;
    bool afterHour = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i).toLower();
        int run = 1;
        while (i + run < format.size() && format.at(i + run).toLower() == c)
            ++run;
        if (c == u'm' && !afterHour)
            result += QString(run, u'M');
        else if (c == u'm' || c == u'n')
            result += QString(run, u'm');
        else if (c == u'd' || c == u'y' || c == u'h' || c == u's')
            result += QString(run, c);
        else
            result += format.mid(i, run);
        if (c.isLetter())
            afterHour = c == u'h';
        i += run;
    }
    return result;
}

QString formatNumber(double value, const QString &format)
{
    const int point = format.indexOf(u'.');
    const int decimals = point < 0 ? 0 : int(format.size() - point - 1);
    QLocale locale;
    if (!format.left(point < 0 ? format.size() : point).contains(u','))
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

} // namespace

void ApplyDataSetRepository(fb::DataSet &dataSet, const TLxFields &fields, const QString &prefix)
{
    QVariantHash labels, formats;
    for (int column = 0; column < dataSet.fieldCount(); ++column) {
        const QString name = dataSet.fieldName(column);
        const TLxField *field = fields.FN(name, prefix);
        if (!field)
            continue;
        labels.insert(name.toUpper(), field->GetGridCaption());
        if (!field->GetDisplayFormat().isEmpty())
            formats.insert(name.toUpper(), field->GetDisplayFormat());
    }
    dataSet.setProperty(kDisplayLabels, labels);
    dataSet.setProperty(kDisplayFormats, formats);
}

QString FieldDisplayLabel(const fb::DataSet &dataSet, const QString &fieldName)
{
    const QString label = displaySetting(dataSet, kDisplayLabels, fieldName);
    return label.isEmpty() ? fieldName : label;
}

QString FieldDisplayFormat(const fb::DataSet &dataSet, const QString &fieldName)
{
    return displaySetting(dataSet, kDisplayFormats, fieldName);
}

QString FormatDisplayValue(const QVariant &value, const QString &format)
{
    if (format.isEmpty() || value.isNull())
        return value.toString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(qtDateFormat(format));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(qtDateFormat(format));
    case QMetaType::QTime:
        return value.toTime().toString(qtDateFormat(format));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Double:
    case QMetaType::Float:
        if (format.contains(u'0') || format.contains(u'#'))
            return formatNumber(value.toDouble(), format);
        break;
    default:
        break;
    }
    return value.toString();
}
