#include "fmlogin.h"

#include <lxerror.h>
#include <lxlog.h>
#include <lxnls.h>
#include <lxutils.h>
#include <registry.h>
#include <velmconsts.h>

#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString UserValueName = QStringLiteral("edUser.Text");

} // namespace

TfmLogin::TfmLogin(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("fmLogin"));
    setWindowTitle(QStringLiteral("Вход в программу"));
    setModal(true);

    lbTitle = new QLabel(QStringLiteral("Велмор"), this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    lbTitle->setAlignment(Qt::AlignCenter);
    QFont titleFont = lbTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lbTitle->setFont(titleFont);

    edUser = new QLineEdit(this);
    edUser->setObjectName(QStringLiteral("edUser"));
    edUser->setMaxLength(31);
    connect(edUser, &QLineEdit::textEdited, this, &TfmLogin::edUserTextEdited);

    edPassword = new QLineEdit(this);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    auto *fields = new QFormLayout;
    auto *lbUser = new QLabel(QStringLiteral("Пользователь"), this);
    lbUser->setBuddy(edUser);
    auto *lbPassword = new QLabel(QStringLiteral("Пароль"), this);
    lbPassword->setBuddy(edPassword);
    fields->addRow(lbUser, edUser);
    fields->addRow(lbPassword, edPassword);

    auto *buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfmLogin::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfmLogin::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbTitle);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    setMinimumWidth(300);

    TranslateComponent(this);
    edUser->setText(LastUserName());
}

void TfmLogin::SetCredentials(const QString &user, const QString &password)
{
    edUser->setText(user.toUpper());
    edPassword->setText(password);
    if (edUser->text().isEmpty())
        edUser->setFocus();
    else
        edPassword->setFocus();
}

QString TfmLogin::User() const
{
    return edUser->text();
}

QString TfmLogin::Password() const
{
    return edPassword->text();
}

bool TfmLogin::Execute(QString &user, QString &password)
{
    TfmLogin dialog;
    if (!user.isEmpty())
        dialog.SetCredentials(user, password);
    else
        dialog.SetCredentials(dialog.User(), password);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    user = dialog.User();
    password = dialog.Password();
    return true;
}

QString TfmLogin::StorageKey()
{
    return rgVelmKey() + QStringLiteral("\\TfmLogin");
}

QString TfmLogin::LastUserName()
{
    return GetRegValue(StorageKey(), UserValueName, RegRoot::CurrentUser);
}

void TfmLogin::accept()
{
    StoreUserName();
    QDialog::accept();
}

void TfmLogin::edUserTextEdited(const QString &text)
{
    const QString upper = text.toUpper();
    if (upper == text)
        return;
    const int cursor = edUser->cursorPosition();
    edUser->setText(upper);
    edUser->setCursorPosition(cursor);
}

void TfmLogin::StoreUserName()
{
    // The name is a convenience for the next start; a registry that cannot be written must
    // not stop the login.
    try {
        Registry registry(RegRoot::CurrentUser);
        registry.CreateKey(StorageKey());
        registry.SetValue(StorageKey(), UserValueName, User());
    } catch (const LxError &e) {
        Log(QStringLiteral("TfmLogin: the user name is not stored: %1").arg(e.message()),
            elWarning);
    }
}
