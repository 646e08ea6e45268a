#pragma once

#include <functional>
#include <vector>

#include <QObject>
#include <QString>

#include "preview/mpvinstance.h"

namespace transcast
{

class StreamProtocol;
class VideoSurface;

// The preview player: plays a file (or a stream of a registered protocol)
// with libmpv, shows its pictures on a surface of ours through libmpv's
// render API, and reports the playing position.
//
// Threading: every call is made on the main thread, and the position handler
// is called there too. libmpv's own threads only wake the main thread up; the
// events are read on it.
//
// One preview goes prepare -> setPositionHandler -> [seek] -> play -> ended
// or failed -> release; pause, stop and seek may come while it plays. play
// returns at once: the caller's event loop goes on, and nothing waits in a
// loop of its own.
class PreviewPlayer : public QObject
{
    Q_OBJECT
public:
    using PositionHandler = std::function<void(double seconds)>;

    explicit PreviewPlayer(QObject* parent = nullptr);
    ~PreviewPlayer() override;

    // mpv's audio output list ("null"; "" for mpv's default), taken by the
    // next prepare.
    void setAudioOutput(const QString& outputs) { m_audioOutput = outputs; }
    // Any further mpv option for the next prepare.
    void setOption(const QString& name, const QString& value);
    // A stream protocol served to every later instance (the DVD reader).
    // The player does not own it; it must outlive the player's previews.
    void addStreamProtocol(StreamProtocol* protocol);

    // Prepares playback onto `surface` (null: without pictures), which must
    // outlive the preview. False, with errorString(), when libmpv cannot
    // start or the surface can make no renderer; nothing is left prepared.
    bool prepare(VideoSurface* surface);
    // The handler gets the position in seconds on the source's own clock (a
    // file's timestamps, not rebased to 0) every time it changes.
    void setPositionHandler(PositionHandler handler);
    // Before play: the position play starts from (0 = the beginning).
    // While playing: jumps there.
    void seek(int seconds);
    // Starts playing a path or a protocol address and returns at once: true
    // when playback started, and then exactly one of ended and failed
    // follows, from the event loop, never from inside a call of the
    // caller's. False, with errorString(), when the source cannot be played
    // at all: not prepared, already playing, neither an absolute path nor an
    // address of an added protocol (nothing else is ever opened), or refused
    // by mpv. A missing audio device is no failure: the picture plays
    // without sound.
    bool play(const QString& source);
    // The first call pauses, the next resumes. Nothing when not playing.
    void pause();
    // Ends playback; ended follows. Harmless when nothing plays.
    void stop();
    // Releases what prepare prepared.
    void release();

    bool isInitialised() const { return m_mpv.isRunning(); }
    bool isPlaying() const { return m_playing; }
    bool isPaused() const { return m_paused; }
    QString errorString() const { return m_error; }
    // A property of what plays, as mpv writes it ("current-tracks/audio/
    // src-id"); empty when there is none. For diagnostics and tests.
    QString propertyText(const QString& name) const;

    // Before play: the audio track to play, by the id the source itself
    // gives it (an MPEG program stream's stream id, 0x80 for the first AC3
    // track); -1 for mpv's own choice. A source without such a track plays
    // with mpv's choice.
    void setAudioSourceId(int sourceId) { m_audioSourceId = sourceId; }
    // The same for the subtitle shown over the picture (0x20 for a DVD's
    // first subpicture stream); -1 for none. A DVD's subtitle stream may
    // first appear well into the title: it is shown from when it does.
    void setSubtitleSourceId(int sourceId) { m_subtitleSourceId = sourceId; }

signals:
    // Playback started by play ended: at the source's end, or by stop.
    void ended();
    // It could not go on; errorString() says why.
    void failed(const QString& reason);

private:
    void onEvent(mpv_event& event);
    // Chooses the tracks asked for by source id among those known so far;
    // each is chosen once.
    void selectTracks();
    bool selectTrack(const char* type, int sourceId, const char* property);
    void endPlayback();

    MpvInstance m_mpv;
    PositionHandler m_handler;
    VideoSurface* m_surface = nullptr;
    QString m_audioOutput;
    MpvInstance::Options m_options;
    std::vector<StreamProtocol*> m_protocols;
    bool m_playing = false;
    int m_startSeconds = 0;
    int m_audioSourceId = -1;
    int m_subtitleSourceId = -1;
    bool m_audioChosen = false;
    bool m_subtitleChosen = false;
    bool m_paused = false;
    bool m_failed = false;
    QString m_source;
    QString m_error;
};

} // namespace transcast
