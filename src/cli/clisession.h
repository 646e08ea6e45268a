#pragma once

#include <memory>

#include <QString>
#include <QVector>

#include "cli/cliinteraction.h"
#include "cli/clishell.h"

namespace transcast
{

class Console;
class Controller;
struct CliOptions;

// One Controller set up the way the command line asks, the window's way:
// the edition, the settings (only with --config), the profile with its
// remembered or default choices, the user's picks in the option boxes and
// the output folder. Commands then list sources into it and read it.
class CliSession
{
public:
    // A source as listing it went: the row it got, or skipped and why.
    struct Listed {
        QString path;
        int row = -1;   // -1: skipped
        QString reason; // why the encoder could not read it
        bool skipped() const { return row < 0; }
    };

    // programFolder: where the program and its data files are.
    CliSession(const CliOptions& options, const QString& argv0, const QString& programFolder,
               Console& console);
    ~CliSession();

    // Builds the controller and applies the options. On a refused choice or
    // a settings folder that cannot be made it returns false with `error`
    // set (bad usage); when the profile could not
    // be read it returns false with `error` empty (the core said why).
    bool prepare(QString& error);

    // Adds the sources (files and folders) in their order, as a drop of
    // those paths on the window would.
    QVector<Listed> list(const QStringList& sources);
    static int skippedCount(const QVector<Listed>& listed);

    // Reads a DVD into the job list as the DVD edition's window does: one
    // disc (folder, folder above VIDEO_TS, .iso image) or IFO files, in
    // title or chapter mode as --chapters says. Returns 0, or the exit
    // status when nothing was found or an IFO file was invalid (the core
    // said so on stderr) or the sources were bad usage (said here).
    int listDvd(const QStringList& sources);
    // Applies --rows, --audio-track and --subtitle-track to the listed DVD
    // rows: unticks the rows not chosen and picks the tracks of each chosen
    // row through the track boxes, as a user would. False with `error` set
    // when a number names no row or track.
    bool chooseDvdRows(QString& error);

    // Applies --audio-track and --subtitle-track to every listed file row,
    // as picks in its track boxes. False with `error` set when a row has no
    // such track.
    bool chooseFileTracks(QString& error);

    // "profile 122 MP4 - H.264 Video Normal(*.mp4); size 640x480; video
    // Normal; audio Normal": what the jobs will be built from.
    QString choicesLine() const;

    Controller& controller() { return *m_controller; }
    Console& console() { return m_console; }

private:
    bool choose(const QString& option, const QString& value, QString& error);

    const CliOptions& m_options;
    QString m_argv0;
    QString m_programFolder;
    Console& m_console;
    CliInteraction m_interaction;
    CliShell m_shell;
    std::unique_ptr<Controller> m_controller;
};

} // namespace transcast
