#include "preview/previewcontroller.h"

#include <algorithm>
#include <utility>

#include "common/busyguards.h"
#include "common/busystate.h"
#include "common/interaction.h"
#include "common/textutil.h"
#include "preview/previewview.h"
#include "sources/joblist.h"

namespace transcast
{

namespace
{
constexpr int kBarMaximum = 10000;
// Pauses that order the display against the user's input (see PacedQueue).
constexpr int kAfterTimeShown = 50;
constexpr int kAfterBarShown = 50;
constexpr int kAfterStop = 100;
constexpr int kAfterSeek = 300;
constexpr int kAfterEndReached = 500;
} // namespace

PreviewController::PreviewController(const Edition& edition, BusyState& busy, JobList& jobs,
                                     Interaction& interaction, PreviewView& view, QObject* parent)
    : QObject(parent), m_edition(edition), m_busy(busy), m_jobs(jobs), m_interaction(interaction),
      m_view(view)
{
    m_player.addStreamProtocol(&m_dvdStreams);
    connect(&m_player, &PreviewPlayer::ended, this, [this] { finishPreview(true); });
    connect(&m_player, &PreviewPlayer::failed, this, [this] { finishPreview(false); });
    m_endTimer.setSingleShot(true);
    m_endTimer.setInterval(10);
    connect(&m_endTimer, &QTimer::timeout, this, [this] {
        m_queue.post([this] {
            m_endTimer.stop();
            m_player.stop();
        });
    });
}

PreviewController::~PreviewController() = default;

int PreviewController::previewRow() const
{
    return m_jobs.indexOf(m_previewId);
}

void PreviewController::play()
{
    m_queue.post([this] { doPlay(); });
}

void PreviewController::pauseToggle()
{
    m_queue.post([this] { doPauseToggle(); });
}

void PreviewController::playOrPause()
{
    m_queue.post([this] {
        if (m_busy.isPlaying())
            doPauseToggle();
        else
            doPlay();
    });
}

void PreviewController::stop()
{
    m_queue.post([this] {
        m_player.stop();
        m_queue.pauseThen(kAfterStop);
    });
}

void PreviewController::barPressed()
{
    m_queue.post([this] {
        if (m_edition.isFileMode() && !m_busy.isConverting() && m_busy.isPlaying())
            m_barDragging = true;
    });
}

void PreviewController::barReleased()
{
    m_queue.post([this] {
        if (!m_edition.isFileMode() || m_busy.isConverting() || !m_busy.isPlaying())
            return;
        const int bar = m_view.barPosition();
        m_player.seek(mulDiv(bar, rowLength(), kBarMaximum) + m_startOffset);
        // Reports from before the jump must not pull the bar back.
        m_queue.pauseThen(kAfterSeek, [this] { m_barDragging = false; });
    });
}

void PreviewController::doPlay()
{
    if (m_jobs.firstSelected() < 0)
        return;
    if (BusyGuards::converting(m_busy, m_interaction))
        return;
    if (m_paused)
        doPauseToggle();
    if (m_busy.isPlaying())
        return;
    if (m_edition.isFileMode())
        filePreview();
    else
        dvdPreview();
}

void PreviewController::doPauseToggle()
{
    if (!m_busy.isPlaying())
        return;
    m_paused = !m_paused;
    emit pausedChanged(m_paused);
    m_player.pause();
    showOverStatus(m_paused ? PreviewShown::Paused : PreviewShown::Playing);
}

bool PreviewController::startPlayer()
{
    // The panel shows before the player starts: pictures need it on screen.
    if (m_edition.isBranded())
        m_view.showPanel();
    if (!m_player.prepare(m_view.videoSurface())) {
        // Nothing has changed yet: the window stays as it was, and the user
        // reads why once.
        m_interaction.error(m_player.errorString());
        return false;
    }
    m_player.setPositionHandler([this](double seconds) { onPosition(seconds); });
    return true;
}

bool PreviewController::isPlaying() const
{
    return m_busy.isPlaying();
}

void PreviewController::beginPreview(int row)
{
    m_busy.setPlaying(true);
    m_previewId = m_jobs.hasRow(row) ? m_jobs.row(row).id : 0;
    ++m_serial;
    m_running = true;
    emit playingChanged(true);
}

void PreviewController::filePreview()
{
    if (!startPlayer())
        return;
    beginPreview(m_jobs.firstSelected());
    m_awaitingStart = true;
    m_startOffset = 0;
    m_shownSecond = 0;
    showOverStatus(PreviewShown::Playing);
    m_player.seek(0);
    if (!m_player.play(m_jobs.sourceInfo(previewRow()).filePath))
        finishPreview(false);
}

void PreviewController::dvdPreview()
{
    if (!startPlayer())
        return;
    beginPreview(m_jobs.firstSelected());
    m_awaitingStart = true;
    m_startOffset = 0;
    m_shownSecond = 0;
    // A DVD row goes on showing its status while it plays: only the pause
    // toggle shows "Pause" (and "Play" on resuming) over it.
    // The row's audio stream (0x81); none leaves the choice to mpv. Its
    // subtitle stream (0x20) shows that subtitle, as the conversion burns it
    // in; none shows none.
    const DvdRowInfo& info = m_jobs.convertInfo(previewRow());
    m_player.setAudioSourceId(info.audioId);
    m_player.setSubtitleSourceId(info.subtitleId);
    if (!m_player.play(locatorOf(previewRow())))
        finishPreview(false);
}

void PreviewController::finishPreview(bool played)
{
    if (!m_running)
        return;
    m_player.setAudioSourceId(-1);
    m_player.setSubtitleSourceId(-1);
    m_player.release();
    resetDisplay();
    m_busy.setPlaying(false);
    endPreview(played);
}

void PreviewController::resetDisplay()
{
    m_view.showBar(0);
    m_view.showTime(QStringLiteral("00:00:00"));
    // The row shows how its conversion stands again.
    showOverStatus(PreviewShown::None);
}

void PreviewController::endPreview(bool played)
{
    m_running = false;
    m_endTimer.stop();
    // A preview that ended while paused or while the bar was held must not
    // leave the next one paused the other way round or with a frozen bar.
    if (std::exchange(m_paused, false))
        emit pausedChanged(false);
    m_barDragging = false;
    emit playingChanged(false);
    if (!played)
        m_interaction.error(m_player.errorString());
}

void PreviewController::showOverStatus(PreviewShown shown)
{
    m_jobs.setPreviewShown(previewRow(), shown);
}

int PreviewController::rowLength() const
{
    return m_jobs.sourceInfo(previewRow()).seconds();
}

void PreviewController::onPosition(double seconds)
{
    // Reports that come while the display pauses collapse into the latest.
    m_latestPosition = seconds;
    if (m_positionWaiting)
        return;
    m_positionWaiting = true;
    const int serial = m_serial;
    m_queue.post([this, serial] {
        m_positionWaiting = false;
        handlePosition(serial, m_latestPosition);
    });
}

void PreviewController::handlePosition(int serial, double seconds)
{
    if (!isCurrent(serial))
        return;
    if (m_awaitingStart && seconds > 0) {
        m_awaitingStart = false;
        m_startOffset = static_cast<int>(roundHalfEven(seconds));
    }
    if (m_shownSecond >= rowLength()) {
        // The end comes through endTimer, never from inside the report.
        m_endTimer.start();
        m_queue.pauseThen(kAfterEndReached,
                          [this, serial, seconds] { showPosition(serial, seconds); });
        return;
    }
    showPosition(serial, seconds);
}

void PreviewController::showPosition(int serial, double seconds)
{
    if (!isCurrent(serial))
        return;
    // A report from before the first frame (after a seek to the very start)
    // shows the start, not a negative clock.
    const int shown = static_cast<int>(std::max<qint64>(0, roundHalfEven(seconds) - m_startOffset));
    if (shown == m_shownSecond)
        return;
    m_shownSecond = shown;
    m_view.showTime(secondsToClock(shown));
    m_queue.pauseThen(kAfterTimeShown, [this, serial, shown] {
        if (!isCurrent(serial) || m_barDragging)
            return;
        m_view.showBar(mulDiv(shown, kBarMaximum, rowLength()));
        m_queue.pauseThen(kAfterBarShown);
    });
}

} // namespace transcast
