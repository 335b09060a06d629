#include "velmutils.h"

#include "velmconsts.h"

#include <lxnls.h>
#include <lxutils.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace {

int showBox(QMessageBox::Icon icon,
            const char *caption,
            const QString &text,
            QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton escape)
{
    QMessageBox box(icon, LxTr(caption), LxTr(text), buttons, QApplication::activeWindow());
    box.setEscapeButton(escape);
    if (buttons & QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
            {QMessageBox::Yes, "Да"},
            {QMessageBox::No, "Нет"},
            {QMessageBox::Cancel, "Отмена"},
            {QMessageBox::Ok, "OK"},
    };
    for (const auto &[which, caption] : captions)
        if (QAbstractButton *button = box.button(which))
            button->setText(LxTr(caption));
    box.exec();
    return box.standardButton(box.clickedButton());
}

void showMessage(QMessageBox::Icon icon, const char *caption, const QString &text)
{
    showBox(icon, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

} // namespace

QString GetFullFileName(const QString &valueName, const QString &fileName)
{
    QString directory = GetRegValue(rgVelmKey(), valueName);
    if (directory.isEmpty())
        return fileName;
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return directory + fileName;
}

bool MsgConfirmation(const QString &text)
{
    return MsgConfirmation(text, false) == MsgButton::Yes;
}

MsgButton MsgConfirmation(const QString &text, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    const int pressed = showBox(QMessageBox::Question,
                                "Подтверждение",
                                text,
                                buttons,
                                withCancel ? QMessageBox::Cancel : QMessageBox::No);
    switch (pressed) {
    case QMessageBox::Yes:
        return MsgButton::Yes;
    case QMessageBox::No:
        return MsgButton::No;
    default:
        return withCancel ? MsgButton::Cancel : MsgButton::No;
    }
}

void MsgInformation(const QString &text)
{
    showMessage(QMessageBox::Information, "Информация", text);
}

void MsgWarning(const QString &text)
{
    showMessage(QMessageBox::Warning, "Предупреждение", text);
}

void MsgError(const QString &text)
{
    showMessage(QMessageBox::Critical, "Ошибка", text);
}
