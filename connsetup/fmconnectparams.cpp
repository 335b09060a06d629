#include "fmconnectparams.h"

#include <database.h>
#include <lxerror.h>
#include <lxnls.h>
#include <lxutils.h>
#include <query.h>
#include <transaction.h>
#include <velmconsts.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char kPersonal[] = "$Personal";

} // namespace

QString ConnectionString(const QString &serverName, const QString &path)
{
    if (serverName.isEmpty()
        || serverName.compare(QLatin1String(kPersonal), Qt::CaseInsensitive) == 0)
        return path;
    return serverName + QLatin1Char(':') + path;
}

TfmConnectParams::TfmConnectParams(QWidget *parent)
    : QWidget(parent)
    , m_database(new fb::Database(this))
{
    setObjectName(QStringLiteral("fmConnectParams"));
    setWindowTitle(LxTr("Параметры подключения к БД"));
    resize(520, 400);

    auto *pages = new QTabWidget(this);
    auto *page = new QWidget(pages);
    pages->addTab(page, LxTr("Подключение"));

    m_serverName = new QComboBox(page);
    m_serverName->setObjectName(QStringLiteral("cbServerName"));
    m_serverName->setEditable(true);
    m_serverName->addItems({QStringLiteral("localhost"), QLatin1String(kPersonal)});
    m_serverName->setEditText(GetRegValue(rgVelmKey(), QStringLiteral("ServerName")));
    m_dbName = new QLineEdit(GetRegValue(rgVelmKey(), QStringLiteral("DBName")), page);
    m_dbName->setObjectName(QStringLiteral("edDBName"));
    m_connect = new QPushButton(LxTr("Подключиться"), page);
    m_connect->setObjectName(QStringLiteral("btnConnect"));
    m_log = new QPlainTextEdit(page);
    m_log->setObjectName(QStringLiteral("mmLog"));
    m_log->setReadOnly(true);

    auto *fields = new QFormLayout;
    fields->addRow(LxTr("Имя сервера БД (IP-адрес)"), m_serverName);
    fields->addRow(LxTr("Путь к БД на сервере"), m_dbName);
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addLayout(fields);
    pageLayout->addWidget(m_connect, 0, Qt::AlignLeft);
    pageLayout->addWidget(m_log, 1);

    auto *close = new QPushButton(LxTr("Закрыть"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_connect, &QPushButton::clicked, this, &TfmConnectParams::TestConnection);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
}

TfmConnectParams::~TfmConnectParams() = default;

QString TfmConnectParams::LogText() const
{
    return m_log->toPlainText();
}

bool TfmConnectParams::Connected() const
{
    return m_database->isConnected();
}

void TfmConnectParams::addLine(const QString &line)
{
    m_log->appendPlainText(line);
    m_log->repaint();
    QCoreApplication::processEvents();
}

void TfmConnectParams::TestConnection()
{
    m_connect->setEnabled(false);
    repaint();
    const QString database = ConnectionString(m_serverName->currentText(), m_dbName->text());
    m_log->clear();
    addLine(LxTr("Попытка соединения с:"));
    addLine(database);
    addLine(QString());
    try {
        connectAndStore();
    } catch (const std::exception &error) {
        const auto *lxError = dynamic_cast<const LxError *>(&error);
        addLine(lxError ? lxError->message() : QString::fromLocal8Bit(error.what()));
        if (m_database->isConnected())
            m_database->disconnect();
    }
    m_connect->setEnabled(!m_database->isConnected());
}

void TfmConnectParams::connectAndStore()
{
    fb::ConnectParams params;
    params.databaseName = ConnectionString(m_serverName->currentText(), m_dbName->text());
    params.userName = QStringLiteral("SYSDBA");
    const bool given = m_prompt ? m_prompt(params.userName, params.password)
                                : defaultPrompt(params.userName, params.password);
    if (!given)
        throw LxError(LxTr("Подключение отменено пользователем."));
    m_database->disconnect();
    m_database->connect(params);

    addLine(LxTr("Версия сервера БД:") + QLatin1Char(' ') + m_database->serverVersion());
    addLine(LxTr("Версия клиента БД:") + QLatin1Char(' ') + fb::Database::clientVersion());
    addLine(QString());

    fb::Transaction transaction(*m_database);
    const QString user = fb::Query::scalar(transaction,
                                           QStringLiteral("select CURRENT_USER from RDB$DATABASE"))
                                 .toString()
                                 .trimmed();
    transaction.commit();
    if (user.compare(QLatin1String("SYSDBA"), Qt::CaseInsensitive) != 0) {
        m_database->disconnect();
        addLine(LxTr("Для подключения к БД необходимо использовать имя \"SYSDBA\"."));
        return;
    }
    addLine(LxTr("Подключение к БД прошло успешно."));
    store();
}

// Both values or neither: when the second write fails the first one is put back. An empty
// server means a local file; it is stored as "$Personal" because the host takes an empty
// server name for a connection that was never set up and would start this program again.
void TfmConnectParams::store()
{
    const QString key = rgVelmKey();
    const QString oldServer = GetRegValue(key, QStringLiteral("ServerName"));
    const QString server = m_serverName->currentText().trimmed().isEmpty()
                                   ? QString::fromLatin1(kPersonal)
                                   : m_serverName->currentText();
    SetRegValue(key, QStringLiteral("ServerName"), server);
    try {
        SetRegValue(key, QStringLiteral("DBName"), m_dbName->text());
    } catch (...) {
        try {
            SetRegValue(key, QStringLiteral("ServerName"), oldServer);
        } catch (...) {
        }
        throw;
    }
}

bool TfmConnectParams::defaultPrompt(QString &user, QString &password)
{
    QDialog dialog(this);
    dialog.setWindowTitle(LxTr("Вход в базу данных"));
    auto *userEdit = new QLineEdit(user, &dialog);
    auto *passwordEdit = new QLineEdit(&dialog);
    passwordEdit->setEchoMode(QLineEdit::Password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(LxTr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QFormLayout(&dialog);
    layout->addRow(LxTr("Пользователь"), userEdit);
    layout->addRow(LxTr("Пароль"), passwordEdit);
    layout->addRow(buttons);
    passwordEdit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    user = userEdit->text();
    password = passwordEdit->text();
    return true;
}

void TfmConnectParams::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void TfmConnectParams::closeEvent(QCloseEvent *event)
{
    m_database->disconnect();
    QWidget::closeEvent(event);
}
