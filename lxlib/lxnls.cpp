#include "lxnls.h"

#include "lxutils.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBox>
#include <QTreeWidget>

#include <clocale>
#include <cstring>
#include <libintl.h>
#include <unistd.h>

namespace {

const char kDomain[] = "velmor";
const char kProductKey[] = "Software\\Orvane\\Velmor\\5";

QString executableDir()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return QDir::currentPath();
    return QFileInfo(QString::fromLocal8Bit(buffer, length)).absolutePath();
}

// <bin>/../share/locale in an installation, <bin>/locale beside a program in the build tree.
QByteArray localeDir()
{
    const QString bin = executableDir();
    const QString shared = QDir::cleanPath(bin + QStringLiteral("/../share/locale"));
    if (QFileInfo(shared).isDir())
        return QFile::encodeName(shared);
    return QFile::encodeName(bin + QStringLiteral("/locale"));
}

// gettext ignores LANGUAGE under the "C" locale, which a process without LANG runs in.
void enableMessageLanguage()
{
    if (qEnvironmentVariableIsEmpty("LANGUAGE"))
        return;
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (current && (std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0))
        std::setlocale(LC_MESSAGES, "C.UTF-8");
}

void initTranslation()
{
    LxBindDomain(kDomain);
    textdomain(kDomain);
    const QString language
            = GetRegValue(QString::fromLatin1(kProductKey), QStringLiteral("Language"));
    if (!language.isEmpty())
        qputenv("LANGUAGE", language.toUtf8());
    enableMessageLanguage();
}

const bool translationReady = (initTranslation(), true);

// QCoreApplication resets the locale from the environment when it is created.
Q_COREAPP_STARTUP_FUNCTION(enableMessageLanguage)

class Translator
{
public:
    explicit Translator(const char *domain)
        : m_domain(domain ? domain : kDomain)
    {}

    void widget(QWidget *widget)
    {
        if (!firstVisit(widget))
            return;
        if (!widget->windowTitle().isEmpty())
            widget->setWindowTitle(text(widget->windowTitle()));
        if (!widget->toolTip().isEmpty())
            widget->setToolTip(text(widget->toolTip()));
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setText(text(label->text()));
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            button->setText(text(button->text()));
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            group->setTitle(text(group->title()));
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->setPlaceholderText(text(edit->placeholderText()));
        else if (auto *menu = qobject_cast<QMenu *>(widget))
            menu->setTitle(text(menu->title()));
        if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            tabWidget(tabs);
        if (auto *box = qobject_cast<QToolBox *>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                box->setItemText(i, text(box->itemText(i)));
        }
        if (auto *view = qobject_cast<QAbstractItemView *>(widget))
            itemView(view);
        for (QAction *action : widget->actions())
            this->action(action);
        for (QWidget *child : widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            this->widget(child);
    }

private:
    QString text(const QString &msgid) const { return LxTrDomain(m_domain, msgid); }

    bool firstVisit(QObject *object)
    {
        if (m_visited.contains(object))
            return false;
        m_visited.insert(object);
        return true;
    }

    void action(QAction *action)
    {
        if (!firstVisit(action))
            return;
        // Qt derives the tool tip from the text unless one was set: translate it only then.
        const bool ownToolTip = action->toolTip() != QAction(action->text()).toolTip();
        action->setText(text(action->text()));
        if (ownToolTip)
            action->setToolTip(text(action->toolTip()));
        if (!action->statusTip().isEmpty())
            action->setStatusTip(text(action->statusTip()));
        if (QMenu *menu = action->menu())
            widget(menu);
    }

    void tabWidget(QTabWidget *tabs)
    {
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setTabText(i, text(tabs->tabText(i)));
            if (!tabs->tabToolTip(i).isEmpty())
                tabs->setTabToolTip(i, text(tabs->tabToolTip(i)));
        }
    }

    void itemView(QAbstractItemView *view)
    {
        if (auto *tree = qobject_cast<QTreeWidget *>(view)) {
            QTreeWidgetItem *header = tree->headerItem();
            for (int i = 0; header && i < header->columnCount(); ++i)
                header->setText(i, text(header->text(i)));
            return;
        }
        if (auto *table = qobject_cast<QTableWidget *>(view)) {
            for (int i = 0; i < table->columnCount(); ++i) {
                if (QTableWidgetItem *item = table->horizontalHeaderItem(i))
                    item->setText(text(item->text()));
            }
            return;
        }
        auto *model = qobject_cast<QStandardItemModel *>(view->model());
        if (!model || !firstVisit(model))
            return;
        for (int i = 0; i < model->columnCount(); ++i) {
            if (QStandardItem *item = model->horizontalHeaderItem(i))
                item->setText(text(item->text()));
        }
    }

    const char *m_domain;
    QSet<QObject *> m_visited;
};

} // namespace

QString LxTrDomain(const char *domain, const QString &msgid)
{
    if (msgid.isEmpty())
        return msgid;
    const QByteArray id = msgid.toUtf8();
    const char *translated = dgettext(domain ? domain : kDomain, id.constData());
    if (translated == id.constData())
        return msgid;
    return QString::fromUtf8(translated);
}

QString LxTr(const QString &msgid)
{
    return LxTrDomain(kDomain, msgid);
}

QString LxTr(const char *msgid)
{
    return LxTr(QString::fromUtf8(msgid));
}

void LxBindDomain(const char *domain)
{
    bindtextdomain(domain, localeDir().constData());
    bind_textdomain_codeset(domain, "UTF-8");
}

void TranslateComponent(QWidget *root, const char *domain)
{
    if (root)
        Translator(domain).widget(root);
}
