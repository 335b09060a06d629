#pragma once

#include "object.h"

#include <QStringList>

namespace script {

class VELMSCRIPT_EXPORT ListObject : public Object
{
public:
    std::vector<Value> items;
    qsizetype check(int64_t i, bool allowEnd = false) const;
};

// TStrings and TStringList: strings with an object reference each.
class VELMSCRIPT_EXPORT StringListObject : public Object
{
public:
    QStringList strings;
    std::vector<Value> objects;
    bool sorted = false;
    bool caseSensitive = false;
    bool strictDelimiter = false;
    int duplicates = 1; // dupAccept
    QChar delimiter = QLatin1Char(',');

    qsizetype check(int64_t i, bool allowEnd = false) const;
    qsizetype add(const QString &s, const Value &obj);
    qsizetype indexOf(const QString &s) const;
    qsizetype indexOfName(const QString &name) const;
    void sort();
    void clear();
    QString text() const;
    void setText(const QString &t);
    QString delimitedText() const;
    void setDelimitedText(const QString &t, bool spaceSeparates);
    int compare(const QString &a, const QString &b) const;
};

class VELMSCRIPT_EXPORT ComponentObject : public Object
{
public:
    QString name;
    int64_t tag = 0;
    Value owner;
};

// Format with Object Pascal's specifiers (%s %d %f %.2f %x %e %g %n %m %u %%, width, '-').
VELMSCRIPT_EXPORT QString formatString(const QString &fmt, const Value &args);

} // namespace script
