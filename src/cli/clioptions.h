#pragma once

#include <optional>

#include <QString>
#include <QStringList>
#include <QVector>

#include "common/preferences.h"

namespace transcast
{

// What one run of transcast-cli was asked to do, read from its arguments.
// Parsing is pure: it looks at the texts only (and at the fixed profile
// catalogue), never at files, settings or the encoder.
struct CliOptions {
    enum class Command { Help, Version, Profiles, Probe, Convert, Dvd };

    // Exit statuses of the program.
    static constexpr int kSuccess = 0;
    static constexpr int kFailed = 1;   // a job failed or a source was skipped
    static constexpr int kBadUsage = 2; // the arguments were wrong

    Command command = Command::Help;
    // Set only when the option was given.
    std::optional<QString> edition;
    std::optional<int> profile;
    std::optional<QString> size;
    std::optional<QString> video;
    std::optional<QString> audio;
    std::optional<QString> output;
    std::optional<QString> config;
    bool dryRun = false;
    // Conversions side by side (--jobs), 1 .. the machine's cores.
    std::optional<int> jobs;
    // The picture's handling (--deinterlace, --frame-rate, --crop).
    std::optional<PictureHandling::Deinterlace> deinterlace;
    std::optional<bool> frameRateAsSource;
    std::optional<bool> cropBars;
    // DVD titles: chapter rows instead of title rows; the rows to convert
    // (numbers from 1, as `dvd` prints them; empty: every row); the track
    // positions as `dvd` prints them (audio from 1, subtitle 0 = none).
    bool chapters = false;
    QVector<int> rows;
    std::optional<int> audioTrack;
    std::optional<int> subtitleTrack;
    QStringList sources;
    // Sources whose names are not valid UTF-8 (their odd bytes escaped):
    // they name no file Qt could open, and are skipped.
    QStringList undecodable;

    // Non-empty when the arguments are bad usage; the message names the
    // fault ("unknown option '--sise'").
    QString error;
    bool ok() const { return error.isEmpty(); }

    // Reads the arguments after the program's name. No arguments, "--help"
    // or "-h" anywhere: Help; "--version": Version. Options take their value
    // as the next argument or after "=" ("--profile 27", "--profile=27");
    // "--" ends the options, so a source may begin with "-". The last of a
    // repeated option wins. A profile must be a number with a display name.
    static CliOptions parse(const QStringList& arguments);

    // "1,3-4" as the row numbers 1, 3 and 4, in order, each once; empty
    // when the text is no such list.
    static QVector<int> parseRowList(const QString& text);

    // The error for an argument that is not valid UTF-8 (bytes escaped).
    static QString undecodableError(const QString& name);

    // The text --help prints.
    static QString usage();
};

} // namespace transcast
