#pragma once

#include "fb_global.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace fb {

// Reading SQL text the way the engine does: string literals, "quoted identifiers" and
// comments are never looked into when parameters, macros or terminators are searched.
class VELMFB_EXPORT SqlText
{
public:
    // Index just past the literal, quoted identifier or comment starting at pos; pos when
    // none starts there.
    static qsizetype skipNonCode(const QString &sql, qsizetype pos);

    // The text with each named parameter (?NAME or :NAME) and each plain ? turned into a
    // positional ?; names lists, per position, the upper-cased name ("" for a plain ?).
    struct Params
    {
        QString sql;
        QStringList names;
    };
    static Params parseParams(const QString &sql);

    // Macros: @@Name%default@ and @Name%default@ (a single-@ macro may also end its default
    // at white space, as in "@Access%  WHERE"). Each is replaced by its value from values
    // (keys upper case) or by its default when no value is set.
    static QString expandMacros(const QString &sql, const QHash<QString, QString> &values);
    // The macro names of the text, upper case, each once, in order of appearance.
    static QStringList macroNames(const QString &sql);
    // Upper-case names of the macro defaults, for the data set's "set to default".
    static QHash<QString, QString> macroDefaults(const QString &sql);

    // True for statements whose text holds procedural code where :NAME is a variable
    // (CREATE/ALTER/RECREATE of procedures and triggers, EXECUTE BLOCK bodies).
    static bool isProceduralDdl(const QString &sql);

    // The first keyword of a statement, upper case (comments skipped).
    static QString firstKeyword(const QString &sql);

    static bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
    static bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }
};

} // namespace fb
