#include "tdm.h"

#include "fmlogin.h"
#include "xmlsecurity.h"

#include <database.h>
#include <dataset.h>
#include <error.h>
#include <query.h>
#include <transaction.h>

#include <lxerror.h>
#include <lxerrorhandle.h>
#include <lximagelist.h>
#include <lxlog.h>
#include <lxnls.h>
#include <lxutils.h>
#include <velmconsts.h>
#include <velmutils.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <memory>

TDM *DM = nullptr;

namespace {

const char WrongLoginMessage[] = "Имя пользователя или пароль введены не верно.";
const char PersonalServerName[] = "$Personal";
// isc_no_priv: "no permission for ... access".
constexpr qint64 NoPrivilegeCode = 335544352;
const QString SettingsFileName = QStringLiteral("Velmor5.xml");
const QString ColorSettingsFileName = QStringLiteral("UserColorSettings.xml");
const QString NextJournalIdSql
        = QStringLiteral("select GEN_ID(GEN_JOURNAL_ID, 1) from RDB$DATABASE");

TDM::LoginDialogFunc &loginDialog()
{
    static TDM::LoginDialogFunc dialog;
    return dialog;
}

TDM::ErrorBoxFunc &errorBox()
{
    static TDM::ErrorBoxFunc box;
    return box;
}

void showError(const QString &message)
{
    if (errorBox())
        errorBox()(message);
    else
        MsgError(message);
}

QString errorText(const std::exception &e)
{
    if (const auto *lx = dynamic_cast<const LxError *>(&e))
        return lx->message();
    return QString::fromLocal8Bit(e.what());
}

// A translated message with its one "%s" replaced by the argument.
QString formatMessage(const char *msgid, const QString &argument)
{
    QString text = LxTr(msgid);
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    if (at >= 0)
        text.replace(at, 2, argument);
    return text;
}

// A string literal of SQL: quotes doubled, so no text can leave the literal.
QString quotedStr(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// The action names of a comma list; blanks around the names do not count.
QStringList commaList(const QString &text)
{
    QStringList names;
    for (const QString &part : text.split(QLatin1Char(',')))
        if (const QString name = part.trimmed(); !name.isEmpty())
            names << name;
    return names;
}

// Sorted insert into a list that ignores duplicates (names compared without case).
void addSorted(QStringList &list, const QString &name)
{
    const auto less = [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    };
    const auto it = std::lower_bound(list.begin(), list.end(), name, less);
    if (it != list.end() && it->compare(name, Qt::CaseInsensitive) == 0)
        return;
    list.insert(it, name);
}

void removeName(QStringList &list, const QString &name)
{
    list.removeIf(
            [&](const QString &item) { return item.compare(name, Qt::CaseInsensitive) == 0; });
}

// The first Right element below Actions whose ID is the name (a null element when none).
QDomElement findRight(const QDomElement &actions, const QString &id)
{
    for (QDomElement right = actions.firstChildElement(); !right.isNull();
         right = right.nextSiblingElement())
        if (right.attribute(QStringLiteral("ID")) == id)
            return right;
    return {};
}

void writeFile(const QString &fileName, const QByteArray &data)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw LxError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
}

} // namespace

TDM::TDM(QObject *parent)
    : QObject(parent)
{
    DataModuleCreate();
}

TDM::~TDM()
{
    DataModuleDestroy();
}

void TDM::SetLoginDialog(LoginDialogFunc dialog)
{
    loginDialog() = std::move(dialog);
}

void TDM::SetErrorBox(ErrorBoxFunc box)
{
    errorBox() = std::move(box);
}

void TDM::DataModuleCreate()
{
    RightsLoaded = false;
    // Server and engine messages are shown in the user's language.
    fb::Error::setTranslator([](const QString &message) { return LxTr(message); });

    DB = new fb::Database(this);
    DB->params().role = QStringLiteral("VELMOR_OPERATOR");
    DB->params().charset = QStringLiteral("WIN1251");
    DB->params().dialect = 3;
    connect(DB, &fb::Database::connectionLost, this, &TDM::DBLostConnect);

    Tran = new fb::Transaction(*DB, this);
    UsersTran = new fb::Transaction(*DB, this);
    JTran = new fb::Transaction(*DB, this);
    JTran->setEndAction(fb::EndAction::Commit);

    dsUsers = new fb::DataSet(*UsersTran, this);
    dsUsers->setObjectName(QStringLiteral("dsUsers"));
    dsUsers->setSelectSql(QStringLiteral("SELECT SEC.UGID, SEC.UGNAME, SEC.SETTINGS, "
                                         "SEC.COLORSETTINGS, SEC.OPTIONS FROM "
                                         "VW_SEC_USERSGROUPS SEC @Passwd%"));
    dsUsers->setUpdateTable(QStringLiteral("VW_SEC_USERSGROUPS"), {QStringLiteral("UGID")});
    connect(dsUsers, &fb::DataSet::beforeOpen, this, &TDM::dsUsersBeforeOpen);

    dsRights = new fb::DataSet(*UsersTran, this);
    dsRights->setObjectName(QStringLiteral("dsRights"));
    dsRights->setSelectSql(
            QStringLiteral("SELECT RTYPE, RIGHTS FROM VW_SEC_CURUSERANDGROUPS ORDER BY RTYPE"));

    dsParameters = new fb::DataSet(*Tran, this);
    dsParameters->setObjectName(QStringLiteral("dsParameters"));
    dsParameters->setSelectSql(
            QStringLiteral("SELECT PARAMETERNAME, PARAMETERVALUE FROM PARAMETERS"));

    qrJournal_Login = new fb::Query(
            *JTran, QStringLiteral("insert into JOURNAL(JOURNALID) values (?JOURNALID)"));
    qrJournal_Logout = new fb::Query(
            *JTran,
            QStringLiteral("update JOURNAL set ENDTIME = ?ENDTIME where JOURNALID = ?JOURNALID"));
    qrJournal_Actions_Ins = new fb::Query(
            *JTran,
            QStringLiteral("insert into JOURNAL_ACTIONS(ID, PARENTID, ACTIONTIME, MODULENAME, "
                           "ACTIONTYPE, ACTIONINFO) values (:ID, :PARENTID, :ACTIONTIME, "
                           ":MODULENAME, :ACTIONTYPE, :ACTIONINFO)"));

    ilImages = new TLxImageList;
    const QString images = GetFullFileName(QStringLiteral("BinPath"), QStringLiteral("images.bmp"));
    if (!ilImages->loadImagesBitmap(images))
        Log(QStringLiteral("Images not loaded: %1").arg(images), elWarning);
}

void TDM::DataModuleDestroy()
{
    if (DB->isConnected()) {
        try {
            Logout();
        } catch (const std::exception &e) {
            Log(QStringLiteral("TDM.Logout: %1").arg(errorText(e)), elError);
        }
    }
    // Statements and transactions go before the connection they belong to.
    delete dsUsers;
    delete dsRights;
    delete dsParameters;
    delete qrJournal_Login;
    delete qrJournal_Logout;
    delete qrJournal_Actions_Ins;
    delete Tran;
    delete UsersTran;
    delete JTran;
    if (DB->isConnected())
        DB->disconnect();
    delete DB;
    delete ilImages;
    dsUsers = dsRights = dsParameters = nullptr;
    qrJournal_Login = qrJournal_Logout = qrJournal_Actions_Ins = nullptr;
    Tran = UsersTran = JTran = nullptr;
    DB = nullptr;
    ilImages = nullptr;
}

QString TDM::DatabaseNameFromRegistry(bool &personal)
{
    const QString serverName = GetRegValue(rgVelmKey(), QStringLiteral("ServerName"));
    const QString dbName = GetRegValue(rgVelmKey(), QStringLiteral("DBName"));
    personal = serverName.compare(QLatin1String(PersonalServerName), Qt::CaseInsensitive) == 0;
    if (serverName.isEmpty() || personal)
        return dbName;
    return serverName + QLatin1Char(':') + dbName;
}

bool TDM::Login(const QString &user, const QString &password, bool showDialog)
{
    Log(QStringLiteral("Login"), elInfo);
    Personal = false;
    DB->params().databaseName = DatabaseNameFromRegistry(Personal);
    UserName = user;
    Password = password;

    if (!showDialog) {
        if (!TryConnect(user, password, true))
            return false;
    } else if (Password.isEmpty() || !TryConnect(user, password, false)) {
        QString dialogUser = user;
        QString dialogPassword = password;
        const LoginDialogFunc &dialog = loginDialog() ? loginDialog() : TfmLogin::Execute;
        do {
            if (!dialog(dialogUser, dialogPassword))
                return false;
        } while (!TryConnect(dialogUser, dialogPassword, true));
        UserName = dialogUser;
        Password = dialogPassword;
    }

    if (!dsUsers->isOpen())
        dsUsers->open();
    if (dsUsers->isEmpty()) {
        showError(LxTr("Пользователь не зарегистрирован"));
        return false;
    }

    JournalID = fb::Query::scalar(*JTran, NextJournalIdSql).toLongLong();
    qrJournal_Login->setParam(QStringLiteral("JOURNALID"), JournalID);
    qrJournal_Login->execute();
    JTran->commit();

    PrepareUserParams();
    UpdateRights();
    return true;
}

bool TDM::TryConnect(const QString &user, const QString &password, bool showError)
{
    try {
        CloseDataSets();
        if (DB->isConnected())
            DB->disconnect();
        DB->params().userName = user;
        DB->params().password = password;
        DB->connect();
        if (Personal) {
            dsUsers->open();
            if (dsUsers->isEmpty())
                throw LxError(LxTr(WrongLoginMessage));
        }
        return true;
    } catch (const fb::Error &e) {
        // A local file takes any name; a name that was never made a user of the program has
        // no right to read the user records, which is the same wrong login.
        const bool wrongLogin = e.isLoginError() || (Personal && e.hasGdsCode(NoPrivilegeCode));
        if (!e.isLoginError())
            Log(e.message(), elWarning);
        if (showError)
            ::showError(wrongLogin ? LxTr(WrongLoginMessage) : e.message());
    } catch (const std::exception &e) {
        if (showError)
            ::showError(errorText(e));
    }
    return false;
}

void TDM::dsUsersBeforeOpen()
{
    // A server checks the password itself; a local file does not, so the stored one is compared.
    if (!Personal) {
        dsUsers->setMacroToDefault(QStringLiteral("Passwd"));
        return;
    }
    // The stored text is the Base64 of the password's windows-1251 bytes; a password outside
    // ASCII may also have been stored from its UTF-8 bytes, which is accepted as well.
    const QString password = DB->params().password;
    const QString ansi = QString::fromLatin1(DB->charset().encode(password).toBase64());
    const QString utf8 = QString::fromLatin1(password.toUtf8().toBase64());
    dsUsers->setMacro(QStringLiteral("Passwd"),
                      ansi == utf8 ? QStringLiteral("where SEC.PASSWD = ") + quotedStr(ansi)
                                   : QStringLiteral("where SEC.PASSWD in (%1, %2)")
                                             .arg(quotedStr(ansi), quotedStr(utf8)));
}

void TDM::CloseDataSets()
{
    dsUsers->close();
    dsRights->close();
    dsParameters->close();
}

void TDM::PrepareUserParams()
{
    if (TempDir.isEmpty()) {
        // Never write the user's files into whatever the working folder happens to be.
        Log(QStringLiteral("PrepareUserParams: no temporary folder"), elWarning);
        return;
    }
    const QVariant settings = UserField(QStringLiteral("SETTINGS"));
    if (!settings.isNull())
        writeFile(TempDir + SettingsFileName, settings.toByteArray());
    const QVariant colors = UserField(QStringLiteral("COLORSETTINGS"));
    if (!colors.isNull())
        writeFile(TempDir + ColorSettingsFileName, colors.toByteArray());
}

void TDM::UpdateRights()
{
    try {
        AllowedRights.clear();
        AllRights.clear();

        const QString fileName
                = GetFullFileName(QStringLiteral("OptionsPath"), QStringLiteral("rights.cml"));
        QDomDocument document;
        if (!LoadEncXML(document, fileName))
            throw LxError(QStringLiteral("Rights not loaded from %1").arg(fileName));
        const QDomElement actions
                = document.documentElement().firstChildElement(QStringLiteral("Actions"));
        for (QDomElement right = actions.firstChildElement(); !right.isNull();
             right = right.nextSiblingElement())
            AllRights << commaList(right.attribute(QStringLiteral("Actions")));
        Log(QStringLiteral("AllRights: ") + AllRights.join(QLatin1Char(',')), elInfo);

        if (RightsLoaded && UsersTran->isActive())
            UsersTran->commitRetaining();
        ApplyRightsRows(actions);
        RightsLoaded = true;
        Log(QStringLiteral("AllowedRights: ") + AllowedRights.join(QLatin1Char(',')), elInfo);
    } catch (const std::exception &e) {
        dsRights->close();
        RightsLoaded = false;
        Log(errorText(e), elAppException);
    }
}

void TDM::ApplyRightsRows(const QDomElement &actions)
{
    dsRights->close();
    dsRights->open();
    dsRights->fetchAll();
    for (int row = 0; row < dsRights->rowCount(); ++row) {
        const QVariant rights = dsRights->value(row, QStringLiteral("RIGHTS"));
        if (rights.isNull())
            continue;
        const bool ownRow = dsRights->value(row, QStringLiteral("RTYPE")).toString() == "U";
        const QStringList lines = rights.toString().split(QRegularExpression("\r\n|\n|\r"));
        for (const QString &line : lines) {
            if (line.trimmed().isEmpty())
                continue;
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? line : line.left(eq);
            const QDomElement right = findRight(actions, name);
            if (right.isNull())
                throw LxError(formatMessage("Не найдено право с ID=%s", name));
            bool isNumber = false;
            const int value = eq < 0 ? -1 : line.mid(eq + 1).trimmed().toInt(&isNumber);
            const QStringList names = commaList(right.attribute(QStringLiteral("Actions")));
            if (isNumber && value == 1) {
                for (const QString &action : names)
                    addSorted(AllowedRights, action);
            } else if (isNumber && value == 0 && ownRow) {
                for (const QString &action : names)
                    removeName(AllowedRights, action);
            }
        }
    }
    dsRights->close();
}

bool TDM::HasRight(const QString &actionName) const
{
    if (!RightsLoaded)
        return false;
    if (UserName == QLatin1String("SYSDBA"))
        return true;
    if (!AllRights.contains(actionName, Qt::CaseInsensitive))
        return true;
    return AllowedRights.contains(actionName, Qt::CaseInsensitive);
}

qint64 TDM::Journal(const QString &msg,
                    const QVariant &mName,
                    const QVariant &action,
                    int transactionHandle,
                    qint64 parentId)
{
    std::unique_ptr<fb::Transaction> adopted;
    fb::Transaction *transaction = JTran;
    if (transactionHandle != 0) {
        adopted = std::make_unique<fb::Transaction>(
                *DB, fb::Transaction::AdoptHandle, transactionHandle);
        transaction = adopted.get();
    }
    fb::Query &insert = *qrJournal_Actions_Ins;
    insert.setTransaction(*transaction);
    try {
        const qint64 id = fb::Query::scalar(*transaction, NextJournalIdSql).toLongLong();
        insert.setParam(QStringLiteral("ID"), id);
        insert.setParam(QStringLiteral("PARENTID"), parentId != 0 ? parentId : JournalID);
        insert.setParam(QStringLiteral("ACTIONINFO"), msg);
        insert.setParam(QStringLiteral("MODULENAME"), mName);
        insert.setParam(QStringLiteral("ACTIONTYPE"), action);
        insert.setParam(QStringLiteral("ACTIONTIME"), DB->serverNow());
        insert.execute();
        insert.setTransaction(*JTran);
        if (!adopted)
            JTran->commit();
        return id;
    } catch (...) {
        insert.setTransaction(*JTran);
        if (!adopted && JTran->isActive())
            JTran->rollback();
        throw;
    }
}

void TDM::Logout()
{
    if (!DB->isConnected())
        return;
    Log(QStringLiteral("Begin TDM.Logout"), elInfo);
    try {
        const QString settingsFile = TempDir + SettingsFileName;
        if (!TempDir.isEmpty() && QFile::exists(settingsFile) && dsUsers->isOpen()
            && !dsUsers->isEmpty()) {
            Log(QStringLiteral("Begin dsUsersSETTINGS.Save"), elInfo);
            QFile file(settingsFile);
            if (!file.open(QIODevice::ReadOnly))
                throw LxError(QStringLiteral("%1: %2").arg(settingsFile, file.errorString()));
            SaveUserField(QStringLiteral("SETTINGS"), file.readAll(), false);
            Log(QStringLiteral("End dsUsersSETTINGS.Save"), elInfo);
        }
        if (UsersTran->isActive())
            UsersTran->commit();
        if (JournalID != 0) {
            qrJournal_Logout->setParam(QStringLiteral("JOURNALID"), JournalID);
            qrJournal_Logout->setParam(QStringLiteral("ENDTIME"), DB->serverNow());
            qrJournal_Logout->execute();
            JTran->commit();
        }
    } catch (...) {
        // The connection closes anyway (open work rolls back); the caller learns why.
        CloseDataSets();
        DB->disconnect();
        Log(QStringLiteral("End TDM.Logout"), elInfo);
        throw;
    }
    CloseDataSets();
    DB->disconnect();
    JournalID = 0;
    Log(QStringLiteral("End TDM.Logout"), elInfo);
}

bool TDM::ExecuteSQL(fb::Transaction *transaction, const QString &sql, bool showError)
{
    std::unique_ptr<fb::Transaction> own;
    if (!transaction) {
        own = std::make_unique<fb::Transaction>(*DB);
        transaction = own.get();
    }
    bool result = false;
    try {
        fb::Query query(*transaction, sql);
        query.setParamCheck(false);
        transaction->ensureStarted();
        query.execute();
        result = true;
    } catch (const std::exception &e) {
        if (showError)
            TLxErrorHandle::OnError(this, e);
        else
            Log(QStringLiteral("ExecuteSQL: %1").arg(errorText(e)), elWarning);
    }
    if (own) {
        try {
            if (own->isActive())
                own->commit();
        } catch (const std::exception &e) {
            result = false;
            if (showError)
                TLxErrorHandle::OnError(this, e);
        }
    }
    return result;
}

QString TDM::GetParameter(const QString &name)
{
    // Read once: later changes to PARAMETERS are seen after the next login only.
    if (!dsParameters->isOpen())
        dsParameters->open();
    if (!dsParameters->locate(QStringLiteral("PARAMETERNAME"), name))
        throw LxError(formatMessage("Параметр \"%s\" не найден.", name));
    return dsParameters->fieldValue(QStringLiteral("PARAMETERVALUE")).toString();
}

void TDM::DoBackup()
{
    bool isNumber = false;
    int count = GetRegValue(rgVelmKey(), QStringLiteral("BackupCount")).trimmed().toInt(&isNumber);
    if (!isNumber)
        count = 5;
    if (count <= 0)
        return;
    if (!Personal || !DB->isEmbedded())
        throw LxError(LxTr("Резервная копия делается только для локальной базы данных."));

    const QString dirName = GetRegValue(rgVelmKey(), QStringLiteral("BackupPath"));
    if (dirName.isEmpty())
        throw LxError(LxTr("Не задан каталог резервных копий."));
    QDir dir(dirName);
    if (!dir.exists() && !QDir().mkpath(dirName))
        throw LxError(formatMessage("Не удалось создать каталог \"%s\".", dirName));

    const QStringList files = dir.entryList({QStringLiteral("Velm_*.*")}, QDir::Files, QDir::Name);
    if (files.size() >= count) {
        for (qsizetype i = 0; i < files.size() - count + 1; ++i) {
            Log(QStringLiteral("Delete backup file: ") + files[i], elInfo);
            dir.remove(files[i]);
        }
    }

    const QString path = dir.filePath(
            QStringLiteral("Velm_%1.gdb")
                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyMMdd_HHmmss"))));
    Log(QStringLiteral("Create backup file: ") + path, elInfo);
    if (QFileInfo::exists(path))
        throw LxError(formatMessage("Файл \"%s\" уже существует.", path));
    QFile source(DB->params().databaseName);
    if (!source.copy(path))
        throw LxError(QStringLiteral("%1: %2").arg(path, source.errorString()));
}

QVariant TDM::UserField(const QString &field) const
{
    if (!dsUsers->isOpen() || dsUsers->isEmpty())
        return {};
    return dsUsers->value(0, field);
}

QByteArray TDM::UserOptionsBlob() const
{
    return UserField(QStringLiteral("OPTIONS")).toByteArray();
}

QByteArray TDM::UserColorSettingsBlob() const
{
    return UserField(QStringLiteral("COLORSETTINGS")).toByteArray();
}

void TDM::SaveUserOptionsBlob(const QByteArray &data)
{
    SaveUserField(QStringLiteral("OPTIONS"), data, true);
}

void TDM::SaveUserColorSettingsBlob(const QByteArray &data)
{
    SaveUserField(QStringLiteral("COLORSETTINGS"), data, true);
}

void TDM::SaveUserField(const QString &field, const QByteArray &data, bool commit)
{
    if (!dsUsers->isOpen() || dsUsers->isEmpty())
        throw LxError(LxTr("Пользователь не зарегистрирован"));
    dsUsers->first();
    dsUsers->edit();
    try {
        dsUsers->setFieldValue(field, data);
        dsUsers->post();
    } catch (...) {
        dsUsers->cancel();
        throw;
    }
    if (commit)
        UsersTran->commitRetaining();
}

void TDM::DBLostConnect(const QString &message)
{
    Log(message, elError);
    showError(message);
    emit lostConnection(message);
    // The connection cannot come back: the application ends.
    QMetaObject::invokeMethod(
            QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

TDM *CreateDM()
{
    if (!DM)
        DM = new TDM;
    return DM;
}

void DestroyDM()
{
    delete DM;
    DM = nullptr;
}
