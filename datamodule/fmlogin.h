#pragma once

#include "velmdm_global.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The login dialog: user name (turned into upper case as it is typed) and masked password.
// The last user name accepted is kept under the product key and offered the next time.
class VELMDM_EXPORT TfmLogin : public QDialog
{
    Q_OBJECT

public:
    explicit TfmLogin(QWidget *parent = nullptr);

    QLabel *lbTitle = nullptr;
    QLineEdit *edUser = nullptr;
    QLineEdit *edPassword = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    // Fills the fields; a non-empty user name sends the focus to the password.
    void SetCredentials(const QString &user, const QString &password);
    QString User() const;
    QString Password() const;

    // Shows the dialog modally with these values; on OK returns true with the values typed.
    static bool Execute(QString &user, QString &password);

    // Where the last user name is kept (below the product key of the current user).
    static QString StorageKey();
    static QString LastUserName();

    void accept() override;

private:
    void edUserTextEdited(const QString &text);
    void StoreUserName();
};
