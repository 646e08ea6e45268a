#pragma once

#include <QString>
#include <QStringList>

#include "common/shell.h"

namespace transcast
{

class Interaction;

// The Shell port over the desktop: folders and web addresses open through
// QDesktopServices, shutting down runs "systemctl poweroff" detached.
class QtShell : public Shell
{
public:
    // `errors`, when given, hears about a shutdown command that could not be
    // started; it must outlive the shell.
    explicit QtShell(Interaction* errors = nullptr);

    void openFolder(const QString& path) override;
    bool openUrl(const QString& url) override;
    void shutDown() override;

    // The command shutDown() runs. Tests point it at a harmless program so
    // they never reach a real shutdown.
    void setShutdownCommand(const QString& program, const QStringList& arguments);
    QString shutdownProgram() const { return m_program; }
    QStringList shutdownArguments() const { return m_arguments; }

private:
    Interaction* m_errors;
    QString m_program;
    QStringList m_arguments;
};

} // namespace transcast
