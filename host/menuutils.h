#pragma once

#include <QDomElement>
#include <QHash>
#include <QString>

#include <exception>
#include <functional>

class ILxParams;
class IVelmPlugins;
class QAction;
class QIcon;
class QMainWindow;
class QWidget;

// Builds the actions, the main menu and the tool bars of a main window from the root element
// of the user-interface definition (children Actions, Menu and Toolbars, all required). Captions
// and hints pass through the translation layer.
//
// Every action made from the definition keeps its element. An action the window already owns
// (a QAction child of the window with that object name) is reused: it keeps its own triggered
// handler and gets the caption, shortcut, image and hint of the element. Every other action runs
// the element's plug-in command when triggered. An action gets the rights rule (RightsEnabled)
// unless the window marked it with the property "velmOwnUpdate" = true.
class TMenuBuilder
{
public:
    using IconLookup = std::function<QIcon(int imageIndex)>;

    // How the plug-in commands reach the plug-ins and report their errors.
    struct CommandHooks
    {
        // The plug-in collection; by default the application object's.
        std::function<IVelmPlugins *()> plugins;
        // Shows an error of the plug-in's Execute at once (an error box by default).
        std::function<void(const QString &message)> showError;
        // Any other error of a command (the application's exception handler by default).
        std::function<void(const std::exception &error)> onError;
    };

    explicit TMenuBuilder(QMainWindow *window, IconLookup icons = {}, CommandHooks hooks = {});

    // Raises "Actions not found", "Menu not found" or "Toolbars not found" when the definition
    // lacks that part.
    static void CheckDefinition(const QDomElement &root);
    // Checks the definition first, so nothing is built from an incomplete one. Returns the
    // actions by name.
    QHash<QString, QAction *> Build(const QDomElement &root);

    // 1/0 and True/False in any case; anything else, or a missing attribute, is false.
    static bool BoolAttribute(const QDomElement &element, const QString &name);
    // The definition element of an action made or taken over by the builder (null otherwise).
    static QDomElement Element(const QAction *action);
    // True for the actions governed by the rights rule.
    static bool HasRightsRule(const QAction *action);
    // The rights rule: the user's right of the action's name and, for an element with NotEmpty,
    // a register that is not empty.
    static bool RightsEnabled(const QAction *action, bool registerEmpty);

    // The parameters of a command: each child of the element's Params child gives the entry of
    // its Name attribute the text of its Value attribute.
    static void FillParams(const QDomElement &element, ILxParams &params);
    // The plug-in command of an element: connects the plug-in named by Plugin (FriendlyName)
    // and runs Execute with the element's parameters. An error of Execute goes to showError and
    // the command goes on; with AutoUnload the plug-in is disconnected afterwards, also after a
    // failed Execute. An unknown plug-in or a failed connection raises. Nothing happens for an
    // element without Plugin.
    static void RunPluginCommand(const QDomElement &element,
                                 IVelmPlugins *plugins,
                                 const std::function<void(const QString &message)> &showError);

private:
    void buildActions(const QDomElement &actions);
    QAction *actionFromElement(const QDomElement &element, const QString &name);
    QString freeActionName() const;
    void buildMenu(QWidget *menu, const QDomElement &parent);
    void addMenuItem(QWidget *menu, const QDomElement &element);
    void buildToolbars(const QDomElement &toolbars);
    QAction *action(const QString &name) const;

    QMainWindow *m_window;
    IconLookup m_icons;
    CommandHooks m_hooks;
    QHash<QString, QAction *> m_actions;
};
