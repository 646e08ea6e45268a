#pragma once

#include <functional>

#include <QHash>
#include <QString>

#include "engine/conversionjob.h"

namespace transcast
{

class Edition;
class Estimator;
class JobList;
class ProfileSelector;
class Preferences;
struct JobRow;
struct OptionBoxes;

// Fills a ConversionJob from a job row, the current profile and the current
// choices. Each fragment builder returns its piece of the command line,
// possibly empty; the profile number P is the chosen profile's.
//
// Cases the rules leave open, decided here:
// - the source's own size chosen for a profile numbered 15 or above uses the
//   row's frame size, as below 15;
// - the source's own audio chosen for a profile numbered 27 or above uses the
//   row's audio bitrate, as below 27;
// - a size box without a selection gives no size (the source keeps its own),
//   and so does the source's own size when it is not known;
// - a video bitrate computed from the frame height is the video term of the
//   estimate itself, so an AMR audio or the source's audio never pushes it
//   off (or below zero);
// - the aspect ratio is written with "." whatever the user's locale, since
//   the encoder rejects ",".
// A number of the profile's own texts that is not whole (see Estimator)
// throws InvalidInteger.
class JobBuilder
{
public:
    JobBuilder(const Edition& edition, Preferences& preferences, const JobList& jobs,
               const OptionBoxes& boxes, const ProfileSelector& profile,
               const Estimator& estimator);

    // The frame size a row converts to: its text for -s ("320x240"), and
    // its width and height as numbers for the aspect (0 when the text names
    // none). Empty when the row keeps the source's size.
    struct SizeChoice {
        QString text;
        double width = 0;
        double height = 0;
    };
    SizeChoice sizeChoice(int row) const;
    static QString sizeFragment(const SizeChoice& size);
    static QString aspectFragment(const SizeChoice& size);
    QString videoFragment(int row) const;
    // The audio bitrate asked for, in bits per second (12200 for AMR's
    // 12.2 kbit/s; 0 for the disc targets), which the -ab and -ar fragments
    // are written from.
    double audioBits(int row) const;
    QString audioFragment(double bits) const;
    QString sampleRateFragment(double bits) const;
    QString channelsFragment() const;
    // " -target pal-vcd " and the like, for the disc profiles.
    QString targetFragment() const;

    // The folder for outputs: the output box's text (the user's videos
    // folder when it is empty) made absolute, "~" expanded, with a trailing
    // separator. With `create`, a missing folder is made.
    QString outputFolder(bool create) const;
    // Makes the output folder (the folders above it too) when missing and
    // checks that it takes new files: empty when it does, else the
    // system's reason ("Not a directory", "Permission denied").
    static QString outputFolderProblem(const QString& folder);
    // The first free name: the source's name with the profile's extension,
    // then caption_1, caption_2 ... A name any directory entry holds (a
    // dangling link included) is never chosen. Empty when the walk meets
    // the output of a job running now (reserveOutput) before a free name:
    // whether that name will be free depends on how that job ends, and a
    // batch converting side by side picks exactly the names one job at a
    // time would, so it waits for that job. A name longer than the folder's
    // file system takes has its stem (the part before "_N" and the
    // extension) cut at a character's end until it fits.
    QString freeOutputName(const QString& folder, const QString& baseName,
                           const QString& caption) const;
    // The same walk, taking the name it ends on: the file is created there,
    // empty, in one step that fails when the name exists, so that no other
    // conversion (of this program or of another one writing into the
    // folder) can take it too; a name taken first by another is passed
    // over like any taken name. `identity` gets the file's "DEVICE:INODE"
    // (ConversionJob::reservedOutput), or stays empty when the folder takes
    // no new file: the encoder then says why.
    QString takeOutputName(const QString& folder, const QString& baseName, const QString& caption,
                           QString& identity) const;
    // The output of a job that runs now, which no other job may choose;
    // released when the job has ended. The empty file made when the name
    // was taken (its identity given here) goes with the release if nothing
    // was written into it, so that a job that never wrote leaves no trace.
    void reserveOutput(const QString& path, const QString& identity = QString())
    {
        m_reserved.insert(path, identity);
    }
    void releaseOutput(const QString& path);
    // The size of the file at `path` while it is still the one made when
    // its name was taken (`identity`, as reservedOutput gives it); -1 when
    // it is gone or another file took its place.
    static qint64 reservedFileSize(const QString& path, const QString& identity);

    // The whole job for a file row. `forReal` false leaves the file system
    // untouched (a dry run) and the controller's output folder as it was.
    ConversionJob fileJob(int row, bool forReal) const;
    // The whole job for a DVD title or chapter row: its locator as the
    // input, titleOutputName as the output's name (numbered after it when
    // taken), and " -t " with its exact length (hundredths when it is not
    // whole seconds).
    ConversionJob titleJob(int row, bool forReal) const;
    // "Title_04" for a title row, "Title_04_Chapter_02" for a chapter of
    // it: never a leading blank, and chapters of different titles apart.
    static QString titleOutputName(const JobRow& row);

    static QString replaceExtension(const QString& fileName, const QString& extension);

    // The chosen profile's number; 0 when none could be chosen.
    int profileNumber() const;
    // The parts every job shares: encoder, options and output folder.
    ConversionJob baseJob(bool forReal, QString& folder) const;
    // The size, aspect, bitrate, sample-rate and channel fragments, and the
    // disc profiles' target, from the row and the choices.
    void fillFragments(ConversionJob& job, int row) const;

private:
    // Walks the names as freeOutputName says, ending on the first free one
    // that `take` accepts.
    QString walkOutputNames(const QString& folder, const QString& baseName, const QString& caption,
                            const std::function<bool(const QString&)>& take) const;
    // A real job's name is taken, a dry run's only chosen.
    QString outputName(bool forReal, const QString& folder, const QString& baseName,
                       const QString& caption, ConversionJob& job) const;

    const Edition& m_edition;
    // Read for the output folder; a real job's folder becomes the folder
    // the batch wrote into (the one "open" shows).
    Preferences& m_preferences;
    const JobList& m_jobs;
    const OptionBoxes& m_boxes;
    const ProfileSelector& m_profile;
    const Estimator& m_estimator;
    // The outputs of the jobs running now, with their files' identities.
    QHash<QString, QString> m_reserved;
};

} // namespace transcast
