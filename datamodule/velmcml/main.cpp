// velmcml: turns an XML definition file into its encoded ".cml" form and back.

#include <security.h>
#include <xmlsecurity.h>

#include <lxerror.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

[[noreturn]] void raiseFileError(const QString &fileName, const QString &message)
{
    throw LxError(QStringLiteral("%1: %2").arg(fileName, message));
}

QByteArray readFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        raiseFileError(fileName, file.errorString());
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raiseFileError(fileName, file.errorString());
    return content;
}

// Writes through a temporary file renamed into place, so a failure leaves no partial output.
void writeFile(const QString &fileName, const QByteArray &content)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        raiseFileError(fileName, file.errorString());
}

void encode(const QString &input, const QString &output, quint8 key)
{
    const QByteArray xml = readFile(input);
    // A definition file must load once decoded, so malformed XML is refused before encoding.
    QDomDocument document;
    SetXmlContent(document, xml, input);
    writeFile(output, EncodeString(xml, key) + "\r\n");
}

void decode(const QString &input, const QString &output, quint8 key)
{
    writeFile(output, DecodeFile(input, key));
}

void printError(const QString &message)
{
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "velmcml: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Encodes XML definition files into the .cml form and decodes them."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("encode or decode"));
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("the file to read"));
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("the file to write"));
    const QCommandLineOption keyOption(
            QStringLiteral("key"),
            QStringLiteral("Key number 0..255 (default %1).").arg(DefinitionFileKey),
            QStringLiteral("N"),
            QString::number(DefinitionFileKey));
    parser.addOption(keyOption);
    if (!parser.parse(application.arguments())) {
        printError(parser.errorText());
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Success);

    const QStringList arguments = parser.positionalArguments();
    bool keyValid = false;
    const uint key = parser.value(keyOption).toUInt(&keyValid, 10);
    const bool commandValid = arguments.size() == 3
                              && (arguments[0] == QLatin1String("encode")
                                  || arguments[0] == QLatin1String("decode"));
    if (!commandValid || !keyValid || key > 255) {
        printError(QStringLiteral("usage: velmcml [--key N] encode|decode INPUT OUTPUT"));
        return UsageError;
    }

    try {
        if (arguments[0] == QLatin1String("encode"))
            encode(arguments[1], arguments[2], quint8(key));
        else
            decode(arguments[1], arguments[2], quint8(key));
    } catch (const LxError &error) {
        printError(error.message());
        return Failure;
    }
    return Success;
}
