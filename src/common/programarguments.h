#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// The window program's command line: files and folders to list at start
// (as if dropped on the window) and a few options. Anything that starts with
// "-" and is not an option is reported, never taken for a file; "--" ends
// the options, so a file whose name begins with "-" can still be given.
struct ProgramArguments {
    bool help = false;          // -h, --help: print usage() and exit
    bool startupReport = false; // --startup-report (the start-up benchmark)
    int quitAfterMs = -1;       // --quit-after MS: close on its own; -1 never
    QStringList sources;        // files and folders, in the given order
    QString error;              // not empty: the line is wrong, say this and exit
    QString wrongArgument;      // the argument the error is about

    // Parses the arguments after the program name. The scan goes on past a
    // wrong argument (the first one is reported), so that a --help anywhere
    // is seen.
    static ProgramArguments parse(const QStringList& arguments);
    // The usage text for `programName` (the name the program was started
    // as), ending in a newline.
    static QString usage(const QString& programName);
};

} // namespace transcast
