#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "common/sourceinfo.h"
#include "dvd/dvdlocator.h"
#include "dvd/titleset.h"
#include "sources/filetracks.h"

namespace transcast
{

// A DVD row's title or chapter: where it lies on the disc, how long it plays,
// which of its title set's tracks it converts with.
struct DvdRowInfo {
    // The MPEG-PS stream ids the row converts with: its audio track (0x80..;
    // kNoStream: the first audio track, whatever its id, as for a title set
    // without audio) and the subtitle burnt in (0x20..; kNoStream: none).
    static constexpr int kNoStream = dvd::DvdLocator::kNoStream;
    int audioId = kNoStream;
    int subtitleId = kNoStream;
    qint32 startSector = 0;
    qint32 endSector = 0;
    QString ifoPath;
    qint64 lengthSeconds = 0; // whole seconds, as the "Time" column shows it
    qint32 startTime = 0;
    qint32 endTime = 0;

    // The playing time the IFO gives, frames included, in milliseconds
    // (rounded up): what a conversion writes, so that no part of a second
    // is cut off the end.
    qint64 lengthMilliseconds = 0;
    // Which title of the title set (program chain, from 0) and the first cell
    // of a chapter row's chapter (from 0; -1 for a title row): the row's
    // identity on the disc, which holds across rebuilds of the list.
    int titleIndex = 0;
    int cellIndex = -1;
    // A chapter's title row as listed ("Title_04"), which names its output.
    QString titleCaption;
    // Its sectors all lie past what the image (or folder) holds: it is
    // listed, never ticked, and cannot be converted (missingReason says why).
    bool missing = false;
    // The title set the row was listed from, shared by its rows and never
    // changed; null for a row read back from the kept list before the disc
    // is read again.
    std::shared_ptr<const dvd::TitleSet> titleSet;
    // The position chosen among the title set's audio tracks (0: the first)
    // and among "No Subtitle" and its subtitle tracks (0: "No Subtitle"),
    // which audioId and subtitleId follow (chooseAudio, chooseSubtitle).
    int audioChoice = 0;
    int subtitleChoice = 0;

    // A cell of the row's title with its times from the title's start, in
    // whole seconds, as a chapter row of it lists them.
    struct TitleCell {
        qint32 startSector = 0;
        qint32 endSector = 0;
        qint32 startTime = 0;
        qint32 endTime = 0;
    };
    // Every cell of the row's title, in order; none without a title set.
    std::vector<TitleCell> titleCells() const;
    // The number the disc gives the row's title (1..99); 0 when unknown.
    int discTitle() const;
    // "Missing from the image" (or the folder) for a missing row, else empty.
    QString missingReason() const;

    // The title set's tracks; none without a title set.
    const std::vector<dvd::AudioTrack>& audioTracks() const;
    const std::vector<dvd::SubtitleTrack>& subtitleTracks() const;
    // Takes the track at a position as the boxes count them; false (nothing
    // changed) for a position the title set has no track at.
    bool chooseAudio(int position);
    bool chooseSubtitle(int position);
};

// Where a row's conversion stands. Only views turn it into text
// (jobStatusText).
enum class JobStatus {
    Listed,     // as listed: "Status" for a file, "Ready" for a DVD row
    Converting, // its percentage
    Finished,   // "Finish": the encoder ended well
    Failed,     // "Failed": JobRow::failureReason says why
    Stopped,    // "Stop": the user stopped its conversion
};

// What a preview of the row shows in place of its status while it runs.
// Playing a row says nothing about its conversion: a finished row stays
// finished, on screen once the preview ends and in the kept list always.
enum class PreviewShown {
    None,
    Playing, // "Play"
    Paused,  // "Pause"
};

enum class JobKind { File, Title, Chapter };

// One row of the job list, whole: what it converts, the user's choices for
// it, and how its conversion went. Everything about a row lives here, so
// removing, clearing or rebuilding rows moves or drops whole records and
// nothing indexed by row number can fall out of step. Plain values only,
// so a record can be copied, kept aside and written out as it is. Whether
// the row is selected is the list's to say (JobList::isSelected), not the
// record's: a record put back or copied never brings a selection along.
struct JobRow {
    // The row's identity while it is listed, given by the list as the row
    // comes in (a restored or copied record gets a new one): what a
    // conversion, a preview or the kept list hold on to across other rows
    // coming and going. 0 for a record not listed.
    quint64 id = 0;
    JobKind kind = JobKind::File;
    QString caption; // "File Name" / "Title" column
    SourceInfo source;
    DvdRowInfo dvd;    // DVD rows only
    FileTracks tracks; // file rows only
    // The estimate, in bytes; none before one was made. Views show it as
    // the "Output Size" column (JobList::subItem).
    std::optional<qint64> outputBytes;
    bool checked = false;
    JobStatus status = JobStatus::Listed;
    int progress = 0; // 0..10000 of its conversion while Converting
    QString failureReason;
    // What the encoder said about a finished job (a lowered bitrate, a
    // target it could not reach).
    QStringList notes;
    // The status shown was left by an earlier batch: the batch now running
    // has not reached the row yet (or passes over it), so a "Finish" here is
    // not this batch's. Cleared when the batch takes the row.
    bool earlierBatch = false;
    // Shown over the status while the preview plays the row; never kept.
    PreviewShown preview = PreviewShown::None;

    bool isDvd() const { return kind != JobKind::File; }
};

} // namespace transcast
