#pragma once

#include <QWidget>

#include <functional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace fb {
class Database;
}

// The database name to connect to: "server:path", or the path alone for a local file (an empty
// server name or "$Personal" in any case).
QString ConnectionString(const QString &serverName, const QString &path);

// The connection setup window: the server and the database path of the installation, a
// connection test with its log, and the storing of both once SYSDBA could connect.
class TfmConnectParams : public QWidget
{
    Q_OBJECT

public:
    // Asks the user name and password for a connection; false when the user cancels.
    using LoginPrompt = std::function<bool(QString &user, QString &password)>;

    explicit TfmConnectParams(QWidget *parent = nullptr);
    ~TfmConnectParams() override;

    QComboBox *ServerName() const { return m_serverName; }
    QLineEdit *DBName() const { return m_dbName; }
    QPushButton *ConnectButton() const { return m_connect; }
    QString LogText() const;
    bool Connected() const;

    // A dialog with the user name (SYSDBA at first) and a masked password by default.
    void SetLoginPrompt(LoginPrompt prompt) { m_prompt = std::move(prompt); }

public slots:
    // Tests the connection; every failure ends up as a line of the log.
    void TestConnection();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void addLine(const QString &line);
    void connectAndStore();
    void store();
    bool defaultPrompt(QString &user, QString &password);

    QComboBox *m_serverName = nullptr;
    QLineEdit *m_dbName = nullptr;
    QPushButton *m_connect = nullptr;
    QPlainTextEdit *m_log = nullptr;
    fb::Database *m_database = nullptr;
    LoginPrompt m_prompt;
};
