#include "gridlayout.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QHeaderView>
#include <QTableView>

namespace {

struct ColumnLayout
{
    QString field;
    int width = 0;
    bool hidden = false;
};

QString fieldOf(const QTableView *grid, int logical)
{
    return grid->model()->headerData(logical, Qt::Horizontal, Qt::UserRole).toString();
}

[[noreturn]] void broken()
{
    throw LxError(LxTr("Компоновка повреждена или сохранена другой версией программы."));
}

QList<ColumnLayout> parseColumns(const QString &text)
{
    QList<ColumnLayout> columns;
    for (const QString &entry : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(u':');
        bool ok = false;
        ColumnLayout column;
        column.hidden = parts.value(0).startsWith(u'-');
        column.field = column.hidden ? parts.value(0).mid(1) : parts.value(0);
        column.width = parts.value(1).toInt(&ok);
        if (parts.size() != 2 || !ok || column.width < 0 || column.field.isEmpty())
            broken();
        columns << column;
    }
    return columns;
}

// The stored row height, 0 when none is stored.
int rowHeightOf(const GridLayout::Values &values)
{
    bool ok = true;
    const QString text = values.value(QStringLiteral("RowHeight"));
    const int rowHeight = text.isEmpty() ? 0 : text.toInt(&ok);
    if (!ok || rowHeight < 0)
        broken();
    return rowHeight;
}

} // namespace

namespace GridLayout {

Values Save(const QTableView *grid)
{
    Values values;
    values.insert(QStringLiteral("Version"), QString::number(Version));
    if (!grid->model())
        return values;
    const QHeaderView *header = grid->horizontalHeader();
    QStringList columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        const bool hidden = header->isSectionHidden(logical);
        columns << QStringLiteral("%1%2:%3").arg(
                hidden ? QStringLiteral("-") : QString(),
                fieldOf(grid, logical),
                QString::number(hidden ? 0 : header->sectionSize(logical)));
    }
    values.insert(QStringLiteral("Columns"), columns.join(u';'));
    values.insert(QStringLiteral("RowHeight"),
                  QString::number(grid->verticalHeader()->defaultSectionSize()));
    return values;
}

void Check(const Values &values)
{
    if (values.value(QStringLiteral("Version")) != QString::number(Version))
        broken();
    parseColumns(values.value(QStringLiteral("Columns")));
    rowHeightOf(values);
}

void Restore(QTableView *grid, const Values &values)
{
    Check(values);
    if (!grid->model())
        return;
    const QList<ColumnLayout> columns = parseColumns(values.value(QStringLiteral("Columns")));
    const int rowHeight = rowHeightOf(values);

    QHeaderView *header = grid->horizontalHeader();
    QHash<QString, int> logicalOf;
    for (int logical = 0; logical < header->count(); ++logical)
        logicalOf.insert(fieldOf(grid, logical).toUpper(), logical);
    int place = 0;
    for (const ColumnLayout &column : columns) {
        const int logical = logicalOf.value(column.field.toUpper(), -1);
        if (logical < 0)
            continue;
        header->moveSection(header->visualIndex(logical), place++);
        header->setSectionHidden(logical, column.hidden);
        if (!column.hidden && column.width > 0)
            header->resizeSection(logical, column.width);
    }
    if (rowHeight > 0)
        grid->verticalHeader()->setDefaultSectionSize(rowHeight);
}

} // namespace GridLayout
