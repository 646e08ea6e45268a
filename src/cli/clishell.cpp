#include "cli/clishell.h"

#include "cli/console.h"

namespace transcast
{

void CliShell::openFolder(const QString& path)
{
    m_console.err(QStringLiteral("transcast-cli: the outputs are in ") + path);
}

bool CliShell::openUrl(const QString& url)
{
    m_console.err(QStringLiteral("transcast-cli: see ") + url);
    return true;
}

void CliShell::shutDown()
{
    m_console.err(
        QStringLiteral("transcast-cli: the settings ask to shut the computer down after a batch; "
                       "the command line never does"));
}

} // namespace transcast
