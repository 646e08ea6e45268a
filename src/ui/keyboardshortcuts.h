#pragma once

#include <functional>
#include <vector>

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace transcast
{

// The main window's keyboard: shortcuts for the actions a mouse reaches on
// the skin, shown beside the menu items that run the same actions.
//
// A shortcut never runs an action of its own. Most name the skin object whose
// click they stand for and run the window's dispatch with that name, so the
// busy guards, the refusals and their messages are exactly a click's. The
// rest trigger a menu item (Exit, Help), which does what a click on it does.
// Space is left to the preview.
class KeyboardShortcuts : public QObject
{
    Q_OBJECT
public:
    // The property of a menu item naming what it stands for: a skin object
    // ("openfiles", ...) or one of the menu's own commands ("exit", "help").
    static constexpr const char* BindingProperty = "binding";

    struct Binding {
        QString name; // skin object, or a menu command
        QList<QKeySequence> keys;
    };

    // The keys of a program mode: add files or the disc (Ctrl+O), a folder or
    // IFO files (Ctrl+Shift+O), remove (Delete), clear (Ctrl+Shift+Delete),
    // convert (Ctrl+Return), stop (Escape, see below), settings (Ctrl+,), the
    // profile picker (Ctrl+P), the two menus (Alt+F, Alt+H), exit (Ctrl+Q)
    // and help (F1).
    static std::vector<Binding> bindings(bool dvdMode);
    // The first key of a name's shortcut; empty when it has none.
    static QKeySequence keyFor(const QString& name, bool dvdMode);

    // Gives `window` the keys of the mode. Menu items of `menus` whose
    // BindingProperty names a binding show its keys. A skin object's keys
    // belong to a window action that runs `dispatch`, enabled whatever its
    // menu item is; the menu's own commands (exit, help) answer their keys by
    // triggering the item. A key belongs to one window action only, so pass
    // only the menus the mode shows.
    KeyboardShortcuts(QWidget* window, bool dvdMode, const QList<QMenu*>& menus,
                      std::function<void(const QString&)> dispatch);

    // Escape runs `handler`: the window decides what it stops (the open
    // profile picker, then a running batch).
    void setEscapeHandler(std::function<void()> handler);

    // The action answering a name's keys in the window (a window action, or
    // the menu item of a menu command); null when the mode has none.
    QAction* action(const QString& name) const;

private:
    QWidget* m_window;
    std::function<void(const QString&)> m_dispatch;
    std::function<void()> m_escape;
    std::vector<std::pair<QString, QAction*>> m_actions;
};

} // namespace transcast
