#include "windows1251xml.h"

#include "lxerror.h"
#include "lxnls.h"

#include <QDomDocument>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char kEncoding[] = "windows-1251";

// Unicode characters that have a windows-1251 byte; built from the code page itself.
const QHash<char32_t, char> &codePage()
{
    static const QHash<char32_t, char> table = [] {
        QHash<char32_t, char> result;
        QStringDecoder decoder(kEncoding);
        for (int byte = 0; byte < 256; ++byte) {
            const QString text = decoder.decode(QByteArray(1, char(byte)));
            // 0x98 is unassigned; decoders map it to a C1 control character.
            if (text.size() == 1 && byte != 0x98)
                result.insert(text.at(0).unicode(), char(byte));
        }
        return result;
    }();
    return table;
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
           || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

QString characterReference(char32_t c)
{
    return QStringLiteral("&#%1;").arg(uint(c));
}

// Comments and processing instructions cannot hold references: foreign characters become "?".
QString encodableOnly(const QString &text)
{
    QString result;
    for (char32_t c : text.toUcs4())
        result += Windows1251Xml::isEncodable(c) ? QString::fromUcs4(&c, 1) : QStringLiteral("?");
    return result;
}

class Writer
{
public:
    QString write(const QDomDocument &document)
    {
        m_out = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n")
                        .arg(QLatin1String(kEncoding));
        for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling())
            writeNode(node, 0, true);
        return m_out;
    }

private:
    void writeNode(const QDomNode &node, int depth, bool pretty)
    {
        switch (node.nodeType()) {
        case QDomNode::ElementNode:
            writeElement(node.toElement(), depth, pretty);
            return;
        case QDomNode::TextNode:
            m_out += Windows1251Xml::escape(node.nodeValue());
            return;
        case QDomNode::CDATASectionNode:
            writeCData(node.nodeValue());
            return;
        case QDomNode::EntityReferenceNode:
            m_out += QLatin1Char('&') + node.nodeName() + QLatin1Char(';');
            return;
        case QDomNode::CommentNode:
            writeLine(QStringLiteral("<!--%1-->").arg(encodableOnly(node.nodeValue())),
                      depth,
                      pretty);
            return;
        case QDomNode::ProcessingInstructionNode:
            // The declaration is always written afresh at the top.
            if (node.nodeName() != QLatin1String("xml"))
                writeLine(QStringLiteral("<?%1 %2?>")
                                  .arg(node.nodeName(), encodableOnly(node.nodeValue())),
                          depth,
                          pretty);
            return;
        case QDomNode::DocumentTypeNode:
            writeDocumentType(node.toDocumentType());
            return;
        default:
            return;
        }
    }

    void writeLine(const QString &text, int depth, bool pretty)
    {
        if (pretty)
            m_out += QString(depth, QLatin1Char(' '));
        m_out += text;
        if (pretty)
            m_out += QLatin1Char('\n');
    }

    static bool hasOnlyMarkupChildren(const QDomElement &element)
    {
        for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (child.isText() || child.isCDATASection() || child.isEntityReference())
                return false;
        }
        return true;
    }

    void writeElement(const QDomElement &element, int depth, bool pretty)
    {
        if (pretty)
            m_out += QString(depth, QLatin1Char(' '));
        m_out += QLatin1Char('<') + element.tagName();
        const QDomNamedNodeMap attributes = element.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomNode attribute = attributes.item(i);
            m_out += QStringLiteral(" %1=\"%2\"")
                             .arg(attribute.nodeName(),
                                  Windows1251Xml::escape(attribute.nodeValue(), true));
        }
        if (!element.hasChildNodes()) {
            m_out += QStringLiteral("/>");
        } else {
            // Text content is written exactly as it is; only element-only content is indented.
            const bool prettyChildren = pretty && hasOnlyMarkupChildren(element);
            m_out += QLatin1Char('>');
            if (prettyChildren)
                m_out += QLatin1Char('\n');
            for (QDomNode child = element.firstChild(); !child.isNull();
                 child = child.nextSibling())
                writeNode(child, depth + 1, prettyChildren);
            if (prettyChildren)
                m_out += QString(depth, QLatin1Char(' '));
            m_out += QStringLiteral("</") + element.tagName() + QLatin1Char('>');
        }
        if (pretty)
            m_out += QLatin1Char('\n');
    }

    void writeCData(const QString &data)
    {
        const bool plain = data == encodableOnly(data) && !data.contains(QStringLiteral("]]>"))
                           && !data.contains(QLatin1Char('\r'));
        if (plain)
            m_out += QStringLiteral("<![CDATA[%1]]>").arg(data);
        else
            m_out += Windows1251Xml::escape(data);
    }

    void writeDocumentType(const QDomDocumentType &type)
    {
        QString text = QStringLiteral("<!DOCTYPE ") + type.name();
        if (!type.publicId().isEmpty())
            text += QStringLiteral(" PUBLIC \"%1\" \"%2\"").arg(type.publicId(), type.systemId());
        else if (!type.systemId().isEmpty())
            text += QStringLiteral(" SYSTEM \"%1\"").arg(type.systemId());
        if (!type.internalSubset().isEmpty())
            text += QStringLiteral(" [%1]").arg(type.internalSubset());
        m_out += text + QStringLiteral(">\n");
    }

    QString m_out;
};

} // namespace

bool Windows1251Xml::isEncodable(char32_t character)
{
    return codePage().contains(character);
}

QString Windows1251Xml::escape(const QString &text, bool attribute)
{
    QString result;
    result.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        switch (c) {
        case '&':
            result += QStringLiteral("&amp;");
            continue;
        case '<':
            result += QStringLiteral("&lt;");
            continue;
        case '>':
            result += QStringLiteral("&gt;");
            continue;
        case '\r':
            result += QStringLiteral("&#13;");
            continue;
        default:
            break;
        }
        if (attribute && (c == '"' || c == '\t' || c == '\n')) {
            result += c == '"' ? QStringLiteral("&quot;") : characterReference(c);
            continue;
        }
        // Characters XML 1.0 cannot hold at all (most control characters) are dropped.
        if (!isXmlChar(c))
            continue;
        if (isEncodable(c))
            result += QString::fromUcs4(&c, 1);
        else
            result += characterReference(c);
    }
    return result;
}

QByteArray Windows1251Xml::toBytes(const QDomDocument &document)
{
    const QString text = Writer().write(document);
    QStringEncoder encoder(kEncoding);
    return encoder.encode(text);
}

void Windows1251Xml::parse(QDomDocument &document,
                           const QByteArray &bytes,
                           const QString &sourceName)
{
    QString message;
    int line = 0;
    int column = 0;
    QDomDocument parsed;
    if (!parsed.setContent(bytes, &message, &line, &column)) {
        throw LxError(LxTr("Ошибка в XML-файле %1 (строка %2, позиция %3): %4")
                              .arg(sourceName)
                              .arg(line)
                              .arg(column)
                              .arg(message));
    }
    document = parsed;
}

void Windows1251Xml::load(QDomDocument &document, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw LxError(LxTr("Не удалось открыть файл %1: %2").arg(fileName, file.errorString()));
    parse(document, file.readAll(), fileName);
}

void Windows1251Xml::save(const QDomDocument &document, const QString &fileName)
{
    QSaveFile file(fileName);
    const QByteArray bytes = toBytes(document);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw LxError(LxTr("Не удалось записать файл %1: %2").arg(fileName, file.errorString()));
}
