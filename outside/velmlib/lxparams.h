#pragma once

#include "ilxparams.h"

#include <QHash>

#include <vector>

// The parameter set behind ILxParams: entries in a vector, a folded-case index beside it.
class VELMLIB_EXPORT LxParams : public ILxParams
{
public:
    bool Exists(const QString &name) const override;
    QVariant Value(const QString &name) const override;
    void SetValue(const QString &name, const QVariant &value) override;
    int Count() const override;
    QString Name(int index) const override;
    QVariant ValueAt(int index) const override;
    void Clear() override;
    void SaveToStream(QIODevice &device) const override;
    void LoadFromStream(QIODevice &device) override;

    // The value as the set stores it; LxError for a type a set cannot hold.
    static QVariant Normalized(const QVariant &value);

private:
    struct Entry
    {
        QString name;
        QVariant value;
    };

    qsizetype indexOf(const QString &name) const;
    const Entry &entryAt(int index) const;
    void append(const QString &name, const QVariant &value);

    std::vector<Entry> m_entries;
    QHash<QString, qsizetype> m_index; // folded name -> position in m_entries
};
