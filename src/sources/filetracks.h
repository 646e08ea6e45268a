#pragma once

#include <vector>

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace transcast
{

// A sound stream of a file, as the probe's track lines name it.
struct FileAudioTrack {
    int streamIndex = 0; // its index in the file, which the encoder maps
    QString language;    // ISO 639 code ("eng"); empty when the file names none
    QString codec;       // ffmpeg's name ("aac")
    int channels = 0;
    // The one a conversion takes when none is chosen: the file's default,
    // as ffmpeg picks it (the encoder says which).
    bool preferred = false;
};

// A subtitle stream of a file.
struct FileSubtitleTrack {
    int streamIndex = 0;
    QString language;
    QString codec;
    bool text = false; // text (subrip, ass), not pictures (PGS, dvd_subtitle)
};

// A file row's sound and subtitle streams and what the user chose of them:
// the numbers a job is built from. The boxes count as the DVD rows' do: the
// audio box lists the sound tracks (no "no audio" entry), the subtitle box
// "No Subtitle" and then the subtitle tracks, the one chosen there burnt
// into the picture.
struct FileTracks {
    std::vector<FileAudioTrack> audio;
    std::vector<FileSubtitleTrack> subtitles;
    // The position chosen in the audio box; -1: none, the file's default.
    int audioChoice = -1;
    // The position chosen in the subtitle box; 0: "No Subtitle".
    int subtitleChoice = 0;

    // Where the audio box stands: the choice, else the preferred track
    // (the first when none is marked); -1 without sound.
    int audioPosition() const;
    // Takes the track at a box's position; false (nothing changed) for a
    // position without one.
    bool chooseAudio(int position);
    bool chooseSubtitle(int position);
    // The row offers a choice worth the boxes: more than one sound track,
    // or any subtitle track.
    bool offersChoice() const { return audio.size() > 1 || !subtitles.empty(); }

    // The choices as the encoder takes them ("TRANSCAST_AUDIO_STREAM=2",
    // "TRANSCAST_BURN_SUBTITLE=4"); none for what is left to the file.
    QStringList encoderEnvironment() const;

    // The record as the kept job list holds it, and back; a missing or
    // damaged record reads as none (the file's own default), and a choice
    // that names no track as no choice.
    QJsonObject toJson() const;
    static FileTracks fromJson(const QJsonObject& object);
};

// "English AAC 6ch": language, codec and channels, for the audio box.
QString fileAudioText(const FileAudioTrack& track);
// "German ASS (text)", "English PGS (picture)": for the subtitle box.
QString fileSubtitleText(const FileSubtitleTrack& track);

} // namespace transcast
