#include "xmlsecurity.h"

#include "security.h"

#include <lxerror.h>
#include <lxlog.h>

#include <QDomDocument>
#include <QFile>

namespace {

[[noreturn]] void raiseFileError(const QString &fileName, const QString &message)
{
    throw LxError(QStringLiteral("%1: %2").arg(fileName, message));
}

} // namespace

QByteArray ReadEncodedFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        raiseFileError(fileName, file.errorString());
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raiseFileError(fileName, file.errorString());

    // Lines end with CR LF, LF or a lone CR; the last line may lack its end.
    QByteArray text;
    text.reserve(content.size() + 2);
    qsizetype lineStart = 0;
    while (lineStart < content.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < content.size() && content[lineEnd] != '\r' && content[lineEnd] != '\n')
            ++lineEnd;
        text.append(content.constData() + lineStart, lineEnd - lineStart).append("\r\n");
        if (lineEnd < content.size() && content[lineEnd] == '\r' && lineEnd + 1 < content.size()
            && content[lineEnd + 1] == '\n')
            ++lineEnd;
        lineStart = lineEnd + 1;
    }
    return text;
}

void SetXmlContent(QDomDocument &document, const QByteArray &xml, const QString &fileName)
{
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(xml, false, &message, &line, &column)) {
        raiseFileError(fileName,
                       QStringLiteral("XML error at line %1, column %2: %3")
                               .arg(line)
                               .arg(column)
                               .arg(message));
    }
}

QByteArray DecodeFile(const QString &fileName, quint8 keyNumber)
{
    const QByteArray encoded = ReadEncodedFile(fileName);
    try {
        return DecodeString(encoded, keyNumber);
    } catch (const DecodeError &error) {
        raiseFileError(fileName, error.message());
    }
}

void LoadEncXMLOrThrow(QDomDocument &document, const QString &fileName, quint8 keyNumber)
{
    SetXmlContent(document, DecodeFile(fileName, keyNumber), fileName);
}

bool LoadEncXML(QDomDocument &document, const QString &fileName)
{
    try {
        LoadEncXMLOrThrow(document, fileName);
        return true;
    } catch (const LxError &error) {
        // A two-line message stays one line of the log.
        Log(QString(error.message()).replace(QStringLiteral("\r\n"), QStringLiteral(" ")),
            elAppException);
    } catch (const std::exception &error) {
        Log(QStringLiteral("%1: %2").arg(fileName, QString::fromLocal8Bit(error.what())),
            elAppException);
    }
    document.clear();
    return false;
}
