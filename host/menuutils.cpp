#include "menuutils.h"

#include "fmstudentlist.h"
#include "plugincall.h"
#include "textformat.h"
#include "velmapplication.h"

#include <ilxparams.h>
#include <ivelmplugin.h>
#include <ivelmpluginitem.h>
#include <ivelmplugins.h>
#include <lxerror.h>
#include <lxerrorhandle.h>
#include <lxlog.h>
#include <lxnls.h>
#include <tdm.h>
#include <velmutils.h>

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QToolBar>

Q_DECLARE_METATYPE(QDomElement)

namespace {

const char kElementProperty[] = "velmElement";
const char kRightsProperty[] = "velmRights";
const char kOwnUpdateProperty[] = "velmOwnUpdate";
const char kHintProperty[] = "velmHint";

QDomElement requiredChild(const QDomElement &root, const char *name)
{
    const QDomElement child = root.firstChildElement(QLatin1String(name));
    if (child.isNull())
        throw LxError(QLatin1String(name) + QStringLiteral(" not found"));
    return child;
}

TMenuBuilder::CommandHooks withDefaults(TMenuBuilder::CommandHooks hooks, QObject *sender)
{
    if (!hooks.plugins)
        hooks.plugins = [] { return VelmApplication ? VelmApplication->Plugins() : nullptr; };
    if (!hooks.showError)
        hooks.showError = [](const QString &message) {
            Log(message, elAppException);
            MsgError(message);
        };
    if (!hooks.onError)
        hooks.onError
                = [sender](const std::exception &error) { TLxErrorHandle::OnError(sender, error); };
    return hooks;
}

// The hourglass while a plug-in works (only where a GUI exists).
auto waitCursor()
{
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    return qScopeGuard([gui] {
        if (gui)
            QGuiApplication::restoreOverrideCursor();
    });
}

// A menu entry with its own caption for an action: it follows the action's state and runs it.
QAction *captionedEntry(QAction *target, const QString &caption, QObject *parent)
{
    auto *entry = new QAction(caption, parent);
    const auto follow = [entry, target] {
        entry->setIcon(target->icon());
        entry->setEnabled(target->isEnabled());
        entry->setVisible(target->isVisible());
        entry->setCheckable(target->isCheckable());
        entry->setChecked(target->isChecked());
        entry->setToolTip(target->toolTip());
    };
    follow();
    QObject::connect(target, &QAction::changed, entry, follow);
    QObject::connect(entry, &QAction::triggered, target, [target] { target->trigger(); });
    return entry;
}

} // namespace

TMenuBuilder::TMenuBuilder(QMainWindow *window, IconLookup icons, CommandHooks hooks)
    : m_window(window)
    , m_icons(std::move(icons))
    , m_hooks(withDefaults(std::move(hooks), window))
{}

bool TMenuBuilder::BoolAttribute(const QDomElement &element, const QString &name)
{
    const QString value = element.attribute(name).trimmed();
    return value == QLatin1String("1")
           || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QDomElement TMenuBuilder::Element(const QAction *action)
{
    return action ? action->property(kElementProperty).value<QDomElement>() : QDomElement();
}

bool TMenuBuilder::HasRightsRule(const QAction *action)
{
    return action && action->property(kRightsProperty).toBool();
}

bool TMenuBuilder::RightsEnabled(const QAction *action, bool registerEmpty)
{
    if (!action)
        return false;
    if (DM && !DM->HasRight(action->objectName()))
        return false;
    return !(registerEmpty && BoolAttribute(Element(action), QStringLiteral("NotEmpty")));
}

void TMenuBuilder::CheckDefinition(const QDomElement &root)
{
    for (const char *part : {"Actions", "Menu", "Toolbars"})
        requiredChild(root, part);
}

QHash<QString, QAction *> TMenuBuilder::Build(const QDomElement &root)
{
    CheckDefinition(root);
    const QDomElement actions = requiredChild(root, "Actions");
    const QDomElement menu = requiredChild(root, "Menu");
    const QDomElement toolbars = requiredChild(root, "Toolbars");
    buildActions(actions);
    buildMenu(m_window->menuBar(), menu);
    buildToolbars(toolbars);
    return m_actions;
}

void TMenuBuilder::buildActions(const QDomElement &actions)
{
    for (QDomElement e = actions.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        actionFromElement(e, e.attribute(QStringLiteral("Name")));
}

QAction *TMenuBuilder::action(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    if (QAction *act = m_actions.value(name))
        return act;
    const auto own = m_window->findChildren<QAction *>(name, Qt::FindDirectChildrenOnly);
    return own.isEmpty() ? nullptr : own.first();
}

QString TMenuBuilder::freeActionName() const
{
    for (int number = 1;; ++number) {
        const QString name = QStringLiteral("Action") + QString::number(number);
        if (!action(name))
            return name;
    }
}

QAction *TMenuBuilder::actionFromElement(const QDomElement &e, const QString &name)
{
    QAction *act = action(name);
    if (!act) {
        act = new QAction(m_window);
        act->setObjectName(name.isEmpty() ? freeActionName() : name);
        // Its shortcut works wherever the window has the focus, also without a menu entry.
        m_window->addAction(act);
        // The window runs its own actions; every other one runs the element's command.
        const QDomElement element = e;
        const CommandHooks hooks = m_hooks;
        QObject::connect(act, &QAction::triggered, act, [element, hooks] {
            try {
                RunPluginCommand(element, hooks.plugins(), hooks.showError);
            } catch (const std::exception &error) {
                hooks.onError(error);
            }
        });
    }
    m_actions.insert(act->objectName(), act);
    act->setProperty(kElementProperty, QVariant::fromValue(e));
    if (!act->property(kOwnUpdateProperty).toBool())
        act->setProperty(kRightsProperty, true);

    const QString caption = e.attribute(QStringLiteral("Caption"));
    if (e.hasAttribute(QStringLiteral("Caption")))
        act->setText(LxTr(caption));
    const QString shortcut = e.attribute(QStringLiteral("ShortCut"));
    if (!shortcut.isEmpty())
        act->setShortcut(QKeySequence::fromString(shortcut, QKeySequence::PortableText));
    if (e.hasAttribute(QStringLiteral("ImageIndex"))) {
        bool isNumber = false;
        const int image = e.attribute(QStringLiteral("ImageIndex")).toInt(&isNumber);
        act->setIcon(isNumber && image >= 0 && m_icons ? m_icons(image) : QIcon());
    }
    const QString hint = e.hasAttribute(QStringLiteral("Hint"))
                                 ? e.attribute(QStringLiteral("Hint"))
                                 : caption;
    if (!hint.isEmpty()) {
        act->setToolTip(LxTr(hint));
        act->setProperty(kHintProperty, true);
    }
    act->setProperty("Plugin", e.attribute(QStringLiteral("Plugin")));
    act->setProperty("AutoUnload", BoolAttribute(e, QStringLiteral("AutoUnload")));
    act->setProperty("NotEmpty", BoolAttribute(e, QStringLiteral("NotEmpty")));
    return act;
}

void TMenuBuilder::buildMenu(QWidget *menu, const QDomElement &parent)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        addMenuItem(menu, e);
}

void TMenuBuilder::addMenuItem(QWidget *menu, const QDomElement &e)
{
    const QString caption = e.attribute(QStringLiteral("Caption"));
    if (e.tagName() == QLatin1String("Item")) {
        if (caption == QLatin1String("-")) {
            auto *separator = new QAction(menu);
            separator->setSeparator(true);
            menu->addAction(separator);
            return;
        }
        const QString name = e.attribute(QStringLiteral("Action"));
        QAction *act = action(name);
        if (!act)
            act = actionFromElement(e, name);
        const bool ownCaption = !caption.isEmpty() && LxTr(caption) != act->text();
        menu->addAction(ownCaption ? captionedEntry(act, LxTr(caption), menu) : act);
        return;
    }
    if (e.tagName().compare(QLatin1String("Category"), Qt::CaseInsensitive) == 0) {
        auto *submenu = new QMenu(LxTr(caption), menu);
        buildMenu(submenu, e);
        menu->addAction(submenu->menuAction());
        return;
    }
    menu->addAction(new QAction(LxTr(caption), menu));
}

void TMenuBuilder::buildToolbars(const QDomElement &toolbars)
{
    for (QDomElement bar = toolbars.firstChildElement(); !bar.isNull();
         bar = bar.nextSiblingElement()) {
        QToolBar *toolbar = m_window->addToolBar(LxTr(bar.attribute(QStringLiteral("Caption"))));
        toolbar->setObjectName(QStringLiteral("tb") + bar.tagName()
                               + bar.attribute(QStringLiteral("Caption")));
        for (QDomElement b = bar.firstChildElement(); !b.isNull(); b = b.nextSiblingElement()) {
            const QString name = b.attribute(QStringLiteral("Action"));
            if (name.isEmpty())
                continue;
            if (name == QLatin1String("-")) {
                toolbar->addSeparator();
                continue;
            }
            QAction *act = action(name);
            if (!act) {
                // A button whose action is missing stays, empty, where the file puts it.
                auto *blank = toolbar->addAction(QString());
                blank->setEnabled(false);
                continue;
            }
            if (!act->property(kHintProperty).toBool()
                && b.hasAttribute(QStringLiteral("Caption"))) {
                act->setToolTip(LxTr(b.attribute(QStringLiteral("Caption"))));
                act->setProperty(kHintProperty, true);
            }
            toolbar->addAction(act);
        }
    }
}

void TMenuBuilder::FillParams(const QDomElement &element, ILxParams &params)
{
    const QDomElement list = element.firstChildElement(QStringLiteral("Params"));
    for (QDomElement p = list.firstChildElement(); !p.isNull(); p = p.nextSiblingElement())
        params.SetValue(p.attribute(QStringLiteral("Name")), p.attribute(QStringLiteral("Value")));
}

void TMenuBuilder::RunPluginCommand(const QDomElement &element,
                                    IVelmPlugins *plugins,
                                    const std::function<void(const QString &message)> &showError)
{
    const QString pluginName = element.attribute(QStringLiteral("Plugin"));
    const std::unique_ptr<ILxParams> params = CoLxParams::Create();
    FillParams(element, *params);
    if (pluginName.isEmpty())
        return;
    const auto restoreCursor = waitCursor();
    if (!plugins)
        throw LxError(FormatText(LxTr("Модуль \"%s\" не найден"), {pluginName}));
    IVelmPluginItem *item = plugins->Item(pluginName);
    item->SetConnect(true);
    try {
        CallPlugin(pluginName, [&] { item->Plugin()->Execute(params.get()); });
    } catch (const LxError &error) {
        showError(error.message());
    }
    if (BoolAttribute(element, QStringLiteral("AutoUnload"))) {
        Log(QStringLiteral("Unload ") + pluginName, elInfo);
        item->SetConnect(false);
    }
}
