#pragma once

#include <QPointer>

#include "common/shell.h"
#include "ui/shutdowncountdown.h"

class QWidget;

namespace transcast
{

// The window's shell: folders and web addresses go straight to `shell`; a
// shutdown first shows a ShutdownCountdown, and only its end reaches
// `shell`. A second shutdown while one counts down changes nothing.
class CountdownShell : public Shell
{
public:
    CountdownShell(Shell& shell, QWidget* window);

    void openFolder(const QString& path) override { m_shell.openFolder(path); }
    bool openUrl(const QString& url) override { return m_shell.openUrl(url); }
    void shutDown() override;

    // The countdown shown now, or null.
    ShutdownCountdown* countdown() const { return m_countdown; }

private:
    Shell& m_shell;
    QWidget* m_window;
    QPointer<ShutdownCountdown> m_countdown;
};

} // namespace transcast
