#pragma once

#include <QString>
#include <QThread>

namespace transcast
{

// The window controller's state that the core's rules read and change. One
// instance lives as long as the window (or the CLI run); everything touches
// it on the main thread only, so it needs no lock.
struct ControllerState {
    // Busy flags: a batch runs / a preview plays.
    bool converting = false;
    bool playing = false;

    // DVD rows stand for whole titles (false: for chapters).
    bool titleMode = true;

    // Highlighted category (1..13) and profile button (1..132) of the
    // profile picker; -1 for none. The pointer moves the highlight; the
    // profile rules read the profile actually chosen
    // (ProfileSelector::selectedProfile), never this.
    int selectIndex = -1;
    int selectSubIndex = -1;

    // Which page of the two-page video and audio panels was shown last.
    bool videoFirstPage = true;
    bool audioFirstPage = true;

    // Conversion direction: true converts video into the edition's own
    // format, false converts out of it.
    bool intoOwnFormat = true;

    // Folder that receives the outputs (with a trailing separator once a job
    // has used it) and the text the output-folder box shows.
    QString outputFolder;
    QString outputFolderText;

    // After a batch: 0 nothing, 1 open the output folder, 2 shut down.
    int finishAction = 0;
    // How many rows a batch converts side by side (1 .. the machine's
    // cores); 1 converts one row after the other.
    int conversionsAtOnce = 1;
    // The most conversions at once: one per core.
    static int maxConversionsAtOnce() { return qMax(1, QThread::idealThreadCount()); }
    // A count read from a file or typed by the user, brought into range.
    static int boundedConversionsAtOnce(int count)
    {
        return qBound(1, count, maxConversionsAtOnce());
    }

    // Row the engine works on. Adding files never moves it: the add can run
    // while a finished batch's rows are on screen, and it must not change
    // which row a batch would mark.
    int currentRow = 0;
};

} // namespace transcast
