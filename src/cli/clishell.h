#pragma once

#include "common/shell.h"

namespace transcast
{

class Console;

// The desktop as seen from a command line: nothing is opened and the
// computer is never shut down, even when the window's settings ask for it
// after a batch; the CLI only says what the window would have done.
class CliShell : public Shell
{
public:
    explicit CliShell(Console& console) : m_console(console) {}

    void openFolder(const QString& path) override;
    bool openUrl(const QString& url) override;
    void shutDown() override;

private:
    Console& m_console;
};

} // namespace transcast
