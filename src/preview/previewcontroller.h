#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/edition.h"
#include "preview/dvdstreamprotocol.h"
#include "preview/pacedqueue.h"
#include "preview/previewplayer.h"
#include "sources/jobrow.h"

namespace transcast
{

class Interaction;
class JobList;
class PreviewView;
class BusyState;

// The preview of the selected job-list row in the window's panel: the play,
// pause and stop actions, the play bar's press and release, the position
// handler that drives "play_time" and "play_bar", and `endTimer`, which ends a
// preview when the shown time reaches the row's length. It owns the paused
// and bar-dragging flags, and is the writer of the busy state's playing flag
// (which the busy guards below it read).
//
// Everything runs on the main thread. play() returns once the preview has
// started; the player's end (or failure) finishes it from the event loop.
class PreviewController : public QObject
{
    Q_OBJECT
public:
    // A DVD row's address for the player ("vts://..."), from its record.
    using LocatorSource = std::function<QString(int row)>;

    PreviewController(const Edition& edition, BusyState& busy, JobList& jobs,
                      Interaction& interaction, PreviewView& view, QObject* parent = nullptr);
    ~PreviewController() override;

    PreviewPlayer& player() { return m_player; }
    // The DVD locators' protocol the player reads titles through.
    StreamProtocol& dvdStreams() { return m_dvdStreams; }
    void setLocatorSource(LocatorSource source) { m_locator = std::move(source); }
    // The address a DVD row plays from; empty without a locator source.
    QString locatorOf(int row) const { return m_locator ? m_locator(row) : QString(); }

    // "play": the selected file (file mode) or title (DVD mode); while a
    // preview runs it only resumes a paused one.
    void play();
    // "pause": pauses or resumes the running preview.
    void pauseToggle();
    // "stopplay": ends the running preview (harmless when none runs).
    void stop();
    // Mouse down and up on "play_bar" (file mode only: the bar seeks).
    void barPressed();
    void barReleased();
    // The media players' Space: the pause toggle while a preview runs, else
    // the play action.
    void playOrPause();

    // Where the row previewed (the last one, once it has ended) stands now;
    // -1 when none was, or it is no longer listed.
    int previewRow() const;
    int startOffset() const { return m_startOffset; }
    int shownSecond() const { return m_shownSecond; }
    bool awaitingStart() const { return m_awaitingStart; }
    // The running preview is paused (false while none runs).
    bool isPaused() const { return m_paused; }
    // A preview runs (paused or not).
    bool isPlaying() const;
    // The play bar is held or its seek has not settled yet: position
    // reports leave the bar alone meanwhile.
    bool isBarDragging() const { return m_barDragging; }
    QTimer& endTimer() { return m_endTimer; }
    // The steps waiting behind a display pause (for tests).
    const PacedQueue& queue() const { return m_queue; }

signals:
    // A preview starts or has ended (the window hides or shows its still
    // picture).
    void playingChanged(bool playing);
    void pausedChanged(bool paused);

private:
    void filePreview();
    void dvdPreview();
    // The preview has ended (played) or could not go on: the player is
    // released and the window shows the row as before.
    void finishPreview(bool played);
    void beginPreview(int row);
    bool startPlayer();
    void resetDisplay();
    void endPreview(bool played);
    void onPosition(double seconds);
    void handlePosition(int serial, double seconds);
    void showPosition(int serial, double seconds);
    bool isCurrent(int serial) const { return m_running && serial == m_serial; }
    // What the row shows over its status; its status itself is the
    // conversion's, which a preview never changes.
    void showOverStatus(PreviewShown shown);
    int rowLength() const;
    void doPlay();
    void doPauseToggle();

    const Edition& m_edition;
    BusyState& m_busy;
    JobList& m_jobs;
    Interaction& m_interaction;
    PreviewView& m_view;
    // Declared before the player, which reads through it until destroyed.
    DvdStreamProtocol m_dvdStreams;
    PreviewPlayer m_player;
    PacedQueue m_queue;
    QTimer m_endTimer;
    LocatorSource m_locator;

    quint64 m_previewId = 0; // JobRow::id of the row previewed
    bool m_awaitingStart = false;
    int m_startOffset = 0;
    int m_shownSecond = 0;
    // The latest report while one waits to be handled: reports coalesce.
    double m_latestPosition = 0;
    bool m_positionWaiting = false;
    // Numbers the previews: what was queued for one that has ended is
    // dropped.
    int m_serial = 0;
    bool m_running = false;
    bool m_paused = false;
    bool m_barDragging = false;
};

} // namespace transcast
