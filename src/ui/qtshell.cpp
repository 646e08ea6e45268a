#include "ui/qtshell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include "common/inifile.h"
#include "common/interaction.h"

namespace transcast
{

QtShell::QtShell(Interaction* errors)
    : m_errors(errors),
      m_program(QStringLiteral("systemctl")), m_arguments{QStringLiteral("poweroff")}
{
}

void QtShell::openFolder(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtShell::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void QtShell::setShutdownCommand(const QString& program, const QStringList& arguments)
{
    m_program = program;
    m_arguments = arguments;
}

void QtShell::shutDown()
{
    // The settings still on their way to the disk go first.
    IniFile::flushWrites();
    if (QProcess::startDetached(m_program, m_arguments))
        return;
    // The user chose to have the computer shut down; saying nothing would
    // leave it running unattended.
    if (m_errors) {
        m_errors->error(QStringLiteral("The computer could not be shut down: \"%1\" did not start.")
                            .arg((QStringList{m_program} + m_arguments).join(QLatin1Char(' '))));
    }
}

} // namespace transcast
