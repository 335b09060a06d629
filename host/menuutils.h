#pragma once

#include <QDomElement>
#include <QHash>
#include <QString>

#include <functional>

class QAction;
class QIcon;
class QMainWindow;

// Builds the actions, the main menu and the tool bars of a main window from the root element
// of the user-interface definition (children Actions, Menu and Toolbars). Captions and hints
// pass through the translation layer. Returns the actions by name.
class TMenuBuilder
{
public:
    using IconLookup = std::function<QIcon(int imageIndex)>;

    explicit TMenuBuilder(QMainWindow *window, IconLookup icons = {});

    QHash<QString, QAction *> Build(const QDomElement &root);

    // 1/0 and True/False in any case; anything else, or a missing attribute, is false.
    static bool BoolAttribute(const QDomElement &element, const QString &name);

private:
    void buildActions(const QDomElement &actions);
    void buildMenu(QWidget *menu, const QDomElement &parent);
    void buildToolbars(const QDomElement &toolbars);
    QAction *action(const QString &name) const;

    QMainWindow *m_window;
    IconLookup m_icons;
    QHash<QString, QAction *> m_actions;
};
