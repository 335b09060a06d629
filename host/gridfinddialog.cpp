#include "gridfinddialog.h"

#include <lxnls.h>
#include <velmutils.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

bool matches(const QString &value, const QString &text, const TGridFindDialog::Options &options)
{
    const auto sensitivity = options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return options.wholeValue ? value.compare(text, sensitivity) == 0
                              : value.contains(text, sensitivity);
}

} // namespace

TGridFindDialog::TGridFindDialog(QTableView *grid, int column, QWidget *parent)
    : QDialog(parent)
    , m_grid(grid)
    , m_text(new QLineEdit(this))
    , m_column(new QComboBox(this))
    , m_caseSensitive(new QCheckBox(LxTr("Учитывать регистр"), this))
    , m_wholeValue(new QCheckBox(LxTr("Значение целиком"), this))
    , m_backward(new QRadioButton(LxTr("Назад"), this))
{
    setObjectName(QStringLiteral("fmGridFind"));
    setWindowTitle(LxTr("Поиск"));
    const QHeaderView *header = grid->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical))
            continue;
        m_column->addItem(grid->model()->headerData(logical, Qt::Horizontal).toString(), logical);
        if (logical == column)
            m_column->setCurrentIndex(m_column->count() - 1);
    }
    auto *forward = new QRadioButton(LxTr("Вперёд"), this);
    forward->setChecked(true);
    auto *direction = new QGroupBox(LxTr("Направление"), this);
    auto *directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(forward);
    directionLayout->addWidget(m_backward);

    auto *form = new QFormLayout;
    form->addRow(LxTr("Найти:"), m_text);
    form->addRow(LxTr("Столбец:"), m_column);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *find = buttons->addButton(LxTr("Найти далее"), QDialogButtonBox::ActionRole);
    find->setDefault(true);
    buttons->addButton(LxTr("Закрыть"), QDialogButtonBox::RejectRole);
    connect(find, &QPushButton::clicked, this, &TGridFindDialog::findNext);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_caseSensitive);
    layout->addWidget(m_wholeValue);
    layout->addWidget(direction);
    layout->addWidget(buttons);
}

int TGridFindDialog::FindNext(QTableView *grid,
                              int column,
                              const QString &text,
                              const Options &options)
{
    QAbstractItemModel *model = grid->model();
    if (!model || text.isEmpty())
        return -1;
    const QModelIndex current = grid->currentIndex();
    const int step = options.forward ? 1 : -1;
    for (int row = (current.isValid() ? current.row() : -step) + step; row >= 0; row += step) {
        if (row >= model->rowCount()) {
            if (!model->canFetchMore({}))
                return -1;
            model->fetchMore({});
            if (row >= model->rowCount())
                return -1;
        }
        if (matches(model->index(row, column).data().toString(), text, options))
            return row;
    }
    return -1;
}

void TGridFindDialog::findNext()
{
    const int column = m_column->currentData().toInt();
    Options options;
    options.caseSensitive = m_caseSensitive->isChecked();
    options.wholeValue = m_wholeValue->isChecked();
    options.forward = !m_backward->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int row = FindNext(m_grid, column, m_text->text(), options);
    QApplication::restoreOverrideCursor();
    if (row < 0) {
        MsgInformation(LxTr("Текст \"%1\" не найден.").arg(m_text->text()));
        return;
    }
    const QModelIndex found = m_grid->model()->index(row, column);
    m_grid->selectionModel()->setCurrentIndex(found, QItemSelectionModel::NoUpdate);
    m_grid->scrollTo(found);
}
