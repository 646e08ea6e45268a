#include "ui/keyboardshortcuts.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace transcast
{

namespace
{

QKeySequence keys(const char* text)
{
    return QKeySequence(QLatin1String(text), QKeySequence::PortableText);
}

} // namespace

std::vector<KeyboardShortcuts::Binding> KeyboardShortcuts::bindings(bool dvdMode)
{
    auto name = [](const char* text) { return QLatin1String(text); };
    // The two header buttons after the menu button add sources in either
    // mode; their keys follow their places.
    std::vector<Binding> list = {
        {dvdMode ? name("dvdopen") : name("openfiles"), {keys("Ctrl+O")}},
        {dvdMode ? name("ifoopen") : name("openfolder"), {keys("Ctrl+Shift+O")}},
        {name("remove"), {keys("Del")}},
        {name("clear"), {keys("Ctrl+Shift+Del")}},
        {name("converter"), {keys("Ctrl+Return"), keys("Ctrl+Enter")}},
        {name("settings"), {keys("Ctrl+,")}},
        {name("profiles"), {keys("Ctrl+P")}},
        {dvdMode ? name("dvdfile") : name("file"), {keys("Alt+F")}},
        {name("help"), {keys("Alt+H")}},
        {name("exit"), {keys("Ctrl+Q")}},
        {name("helppage"), {keys("F1")}},
    };
    return list;
}

QKeySequence KeyboardShortcuts::keyFor(const QString& name, bool dvdMode)
{
    for (const Binding& binding : bindings(dvdMode)) {
        if (binding.name == name && !binding.keys.isEmpty())
            return binding.keys.first();
    }
    return {};
}

KeyboardShortcuts::KeyboardShortcuts(QWidget* window, bool dvdMode, const QList<QMenu*>& menus,
                                     std::function<void(const QString&)> dispatch)
    : QObject(window), m_window(window), m_dispatch(std::move(dispatch))
{
    for (const Binding& binding : bindings(dvdMode)) {
        QAction* item = nullptr;
        for (QMenu* menu : menus) {
            for (QAction* candidate : menu->actions()) {
                if (!item && candidate->property(BindingProperty).toString() == binding.name)
                    item = candidate;
            }
        }
        const bool menuCommand =
            binding.name == QLatin1String("exit") || binding.name == QLatin1String("helppage");
        // The item stays in its menu, which shows the key.
        if (item)
            item->setShortcuts(binding.keys);
        QAction* bound = nullptr;
        if (item && menuCommand) {
            // Added to the window it answers the key while the menu is closed.
            m_window->addAction(item);
            bound = item;
        } else if (!menuCommand) {
            // A skin object's key stays a click on it even while its menu
            // item is disabled: an unable-looking button still answers with
            // its refusal, and so does its key.
            bound = new QAction(binding.name, this);
            bound->setShortcuts(binding.keys);
            const QString name = binding.name;
            connect(bound, &QAction::triggered, this, [this, name] { m_dispatch(name); });
            m_window->addAction(bound);
        }
        if (bound)
            m_actions.emplace_back(binding.name, bound);
    }

    auto* escape = new QAction(QStringLiteral("escape"), this);
    escape->setShortcut(keys("Esc"));
    connect(escape, &QAction::triggered, this, [this] {
        if (m_escape)
            m_escape();
    });
    m_window->addAction(escape);
    m_actions.emplace_back(QStringLiteral("escape"), escape);
}

void KeyboardShortcuts::setEscapeHandler(std::function<void()> handler)
{
    m_escape = std::move(handler);
}

QAction* KeyboardShortcuts::action(const QString& name) const
{
    for (const auto& [actionName, action] : m_actions) {
        if (actionName == name)
            return action;
    }
    return nullptr;
}

} // namespace transcast
