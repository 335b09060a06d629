#include "menuutils.h"

#include <lxerror.h>
#include <lxnls.h>

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

QDomElement requiredChild(const QDomElement &root, const QString &name)
{
    const QDomElement child = root.firstChildElement(name);
    if (child.isNull())
        throw LxError(LxTr("В описании меню нет элемента %1").arg(name));
    return child;
}

} // namespace

TMenuBuilder::TMenuBuilder(QMainWindow *window, IconLookup icons)
    : m_window(window)
    , m_icons(std::move(icons))
{}

bool TMenuBuilder::BoolAttribute(const QDomElement &element, const QString &name)
{
    const QString value = element.attribute(name).trimmed();
    return value == QLatin1String("1")
           || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QHash<QString, QAction *> TMenuBuilder::Build(const QDomElement &root)
{
    const QDomElement actions = requiredChild(root, QStringLiteral("Actions"));
    const QDomElement menu = requiredChild(root, QStringLiteral("Menu"));
    const QDomElement toolbars = requiredChild(root, QStringLiteral("Toolbars"));
    buildActions(actions);
    buildMenu(m_window->menuBar(), menu);
    buildToolbars(toolbars);
    return m_actions;
}

void TMenuBuilder::buildActions(const QDomElement &actions)
{
    for (QDomElement e = actions.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString name = e.attribute(QStringLiteral("Name"));
        auto *act = new QAction(LxTr(e.attribute(QStringLiteral("Caption"))), m_window);
        act->setObjectName(name);
        const QString hint = e.attribute(QStringLiteral("Hint"));
        if (!hint.isEmpty())
            act->setToolTip(LxTr(hint));
        const QString shortcut = e.attribute(QStringLiteral("ShortCut"));
        if (!shortcut.isEmpty())
            act->setShortcut(QKeySequence::fromString(shortcut));
        bool isNumber = false;
        const int image = e.attribute(QStringLiteral("ImageIndex")).toInt(&isNumber);
        if (isNumber && image >= 0 && m_icons)
            act->setIcon(m_icons(image));
        act->setProperty("Plugin", e.attribute(QStringLiteral("Plugin")));
        act->setProperty("AutoUnload", BoolAttribute(e, QStringLiteral("AutoUnload")));
        act->setProperty("NotEmpty", BoolAttribute(e, QStringLiteral("NotEmpty")));
        m_actions.insert(name, act);
    }
}

QAction *TMenuBuilder::action(const QString &name) const
{
    return m_actions.value(name);
}

void TMenuBuilder::buildMenu(QWidget *menu, const QDomElement &parent)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString caption = e.attribute(QStringLiteral("Caption"));
        if (e.tagName() == QLatin1String("Item")) {
            if (caption == QLatin1String("-")) {
                auto *separator = new QAction(menu);
                separator->setSeparator(true);
                menu->addAction(separator);
                continue;
            }
            if (QAction *act = action(e.attribute(QStringLiteral("Action"))))
                menu->addAction(act);
            continue;
        }
        auto *submenu = new QMenu(LxTr(caption), menu);
        if (e.tagName().compare(QLatin1String("Category"), Qt::CaseInsensitive) == 0)
            buildMenu(submenu, e);
        menu->addAction(submenu->menuAction());
    }
}

void TMenuBuilder::buildToolbars(const QDomElement &toolbars)
{
    for (QDomElement bar = toolbars.firstChildElement(); !bar.isNull();
         bar = bar.nextSiblingElement()) {
        QToolBar *toolbar = m_window->addToolBar(LxTr(bar.attribute(QStringLiteral("Caption"))));
        toolbar->setObjectName(QStringLiteral("tb") + bar.attribute(QStringLiteral("Caption")));
        for (QDomElement b = bar.firstChildElement(); !b.isNull(); b = b.nextSiblingElement()) {
            const QString name = b.attribute(QStringLiteral("Action"));
            if (name == QLatin1String("-")) {
                toolbar->addSeparator();
                continue;
            }
            QAction *act = action(name);
            if (!act)
                continue;
            if (act->toolTip() == act->text() && b.hasAttribute(QStringLiteral("Caption")))
                act->setToolTip(LxTr(b.attribute(QStringLiteral("Caption"))));
            toolbar->addAction(act);
        }
    }
}
