#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QTableView;

// The grid's find dialog: looks for a text in one column from the row after the current one on,
// fetching rows as it goes, and makes the row found current.
class TGridFindDialog : public QDialog
{
    Q_OBJECT

public:
    struct Options
    {
        bool caseSensitive = false;
        bool wholeValue = false;
        bool forward = true;
    };

    TGridFindDialog(QTableView *grid, int column, QWidget *parent = nullptr);

    // The row after (or before) the current one whose cell in column matches; -1 when none.
    static int FindNext(QTableView *grid, int column, const QString &text, const Options &options);

private:
    void findNext();

    QTableView *m_grid;
    QLineEdit *m_text;
    QComboBox *m_column;
    QCheckBox *m_caseSensitive;
    QCheckBox *m_wholeValue;
    QRadioButton *m_backward;
};
