#include "selectionfile.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QFile>
#include <QSaveFile>
#include <QSettings>

#include <algorithm>

namespace {

const char kSection[] = "TfmStudentList";

} // namespace

namespace SelectionFile {

void Save(const QString &fileName, const QList<qint64> &studentIds)
{
    QByteArray text = QByteArray("[") + kSection + "]\r\n";
    for (qint64 id : studentIds)
        text += QByteArray::number(id) + "=\r\n";
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw LxError(
                LxTr("Не удалось записать файл \"%1\": %2").arg(fileName, file.errorString()));
}

QList<qint64> Load(const QString &fileName)
{
    if (!QFile::exists(fileName))
        throw LxError(LxTr("Файл \"%1\" не найден.").arg(fileName));
    QSettings file(fileName, QSettings::IniFormat);
    const QStringList groups = file.childGroups();
    if (file.status() != QSettings::NoError || !groups.contains(QLatin1String(kSection)))
        throw LxError(LxTr("Файл \"%1\" не является файлом выделения.").arg(fileName));
    file.beginGroup(QLatin1String(kSection));
    QList<qint64> ids;
    for (const QString &key : file.childKeys()) {
        bool ok = false;
        const qint64 id = key.toLongLong(&ok);
        if (ok)
            ids << id;
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace SelectionFile
