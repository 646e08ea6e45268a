#include "ui/countdownshell.h"

#include "ui/shutdowncountdown.h"

namespace transcast
{

CountdownShell::CountdownShell(Shell& shell, QWidget* window) : m_shell(shell), m_window(window) {}

void CountdownShell::shutDown()
{
    if (m_countdown)
        return;
    m_countdown = new ShutdownCountdown(m_shell, m_window);
    m_countdown->show();
    m_countdown->raise();
    m_countdown->activateWindow();
}

} // namespace transcast
