#include "discdescriptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dvdlocator.h"
#include "titlesetstream.h"

namespace transcast::dvd
{

namespace
{

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;

// The backup copy of a title set in a folder ("VTS_02_0.BUP" in any case);
// empty when there is none.
std::string backupPath(const std::string& root, int number)
{
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "vts_%02d_0.bup", number);
    DIR* folder = ::opendir(root.c_str());
    if (folder == nullptr)
        return {};
    std::string found;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string path = root + "/" + entry->d_name;
        if (::strcasecmp(entry->d_name, wanted) == 0 && isRegularFile(path)) {
            found = path;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

// What a record says of its title set: null when it could not be read.
std::shared_ptr<const TitleSet> infoOf(TitleSetRecord& record)
{
    return record.readable ? std::make_shared<const TitleSet>(std::move(record.info)) : nullptr;
}

} // namespace

DiscDescriptions::DiscDescriptions(std::string encoderPath) : m_encoderPath(std::move(encoderPath))
{
}

DiscDescriptions::~DiscDescriptions()
{
    removeScratch();
}

DiscDescriptions::Step DiscDescriptions::begin(const std::string& path)
{
    abandon();
    m_ifoPath = path;
    m_number = titleSetOfIfoPath(path);
    m_root = m_number > 0 ? discToOpenFor(path) : std::string();
    if (m_root.empty())
        return {};
    // An image is searched inside; a folder's IFO must be there to be read
    // (libdvdread would otherwise quietly take the backup copy).
    m_image = isRegularFile(m_root);
    if (!m_image && !isRegularFile(path))
        return {};

    const std::map<int, ReadTitleSet>& sets = m_discs[m_root];
    const auto known = sets.find(m_number);
    if (known != sets.end() &&
        known->second.stamp == FileStamp::of(stampPathOf(m_root, m_image, path, m_number)))
        return answerOrTryBackup();
    // libdvdread trusts the tables of an IFO file: some damaged files make
    // it write through null pointers (found by changing bytes of authored
    // IFO files at random). So the disc's title sets are read by the
    // encoder, where such a file costs only that process. One run reads
    // every title set from the one asked for onwards, so a disc costs one
    // run, and the next read of the same unchanged disc none.
    m_waiting = Waiting::Description;
    Step step;
    step.arguments = {"--describe-disc", m_root, std::to_string(m_number), path};
    return step;
}

DiscDescriptions::Step DiscDescriptions::ran(const Run& run)
{
    switch (m_waiting) {
    case Waiting::Description:
        return describedDisc(run);
    case Waiting::Backup:
        return describedBackup(run);
    case Waiting::Nothing:
        break;
    }
    return {};
}

void DiscDescriptions::abandon()
{
    m_waiting = Waiting::Nothing;
    removeScratch();
}

DiscDescriptions::Step DiscDescriptions::answer(std::string problem)
{
    m_waiting = Waiting::Nothing;
    Step step;
    step.problem = std::move(problem);
    if (!step.problem.empty())
        return step;
    const std::map<int, ReadTitleSet>& sets = m_discs[m_root];
    const auto known = sets.find(m_number);
    if (known != sets.end())
        step.titleSet = known->second.info;
    if (step.titleSet && step.titleSet->playableTitles() < step.titleSet->namedTitles) {
        const int named = step.titleSet->namedTitles;
        const int held = step.titleSet->playableTitles();
        step.damage = "The DVD title set " + m_ifoPath + " is damaged: the disc names " +
                      std::to_string(named) + (named == 1 ? " title" : " titles") +
                      " in it, but neither its IFO file nor its backup copy (.BUP) holds " +
                      (held == 0 ? std::string(named == 1 ? "it" : "any of them")
                                 : "more than " + std::to_string(held)) +
                      ".";
    }
    return step;
}

// libdvdread takes an IFO file whose program-chain table is zeroed for a
// title set without titles, and reads the backup copy only for a file it
// cannot open at all; the disc's own title table tells that titles are
// missing.
DiscDescriptions::Step DiscDescriptions::answerOrTryBackup()
{
    ReadTitleSet& set = m_discs[m_root][m_number];
    if (set.backupTried || !set.info || set.info->playableTitles() >= set.info->namedTitles)
        return answer();
    return askForBackup(m_number);
}

bool DiscDescriptions::wholeDescription(const Run& run, const TitleSetStream& stream,
                                        std::string& problem) const
{
    using Fault = TitleSetStream::Fault;
    // It understood what was asked and started describing.
    const bool began = stream.fault != Fault::Empty && stream.fault != Fault::Foreign &&
                       stream.fault != Fault::Version;
    switch (run.end) {
    case Run::End::NotStarted:
        problem = "Cannot start the encoder " + m_encoderPath + " to read the disc " + m_root +
                  ": " + run.startFailure;
        return false;
    case Run::End::Died:
        // Crashed or hung on a title set: the disc's fault, unless what it
        // wrote was never ours.
        if (began || stream.fault == Fault::Empty)
            return false;
        break;
    case Run::End::Exited:
        if (run.status == 0) {
            if (stream.whole())
                return true;
            break;
        }
        // Ended with an error while describing: it failed on a title set,
        // as a crash does (a sanitized build reports a crash so).
        if (began)
            return false;
        problem = "The encoder " + m_encoderPath + " could not describe the disc " + m_root +
                  " (exit status " + std::to_string(run.status) + ")";
        return false;
    }
    problem = "The encoder " + m_encoderPath + " described the disc " + m_root +
              " in a form this program cannot read: " + stream.faultText();
    return false;
}

DiscDescriptions::Step DiscDescriptions::describedDisc(const Run& run)
{
    TitleSetStream stream = readTitleSetStream(run.bytes);
    std::string problem;
    const bool whole = wholeDescription(run, stream, problem);
    if (!problem.empty())
        return answer(std::move(problem));

    // Whole frames came through sound, also from a run that died after them.
    std::map<int, ReadTitleSet>& sets = m_discs[m_root];
    int next = m_number;
    for (TitleSetRecord& record : stream.records) {
        if (record.number != next || next > kMaxTitleSets)
            break;
        ReadTitleSet& set = sets[next++];
        set.stamp = record.stamp;
        set.info = infoOf(record);
    }
    // The encoder died (or hung) on the title set after the last it handed
    // over; in a folder, its backup copy may still be sound.
    if (whole || next > kMaxTitleSets)
        return answerOrTryBackup();
    ReadTitleSet& set = sets[next];
    set.stamp = FileStamp::of(stampPathOf(m_root, m_image, m_ifoPath, next));
    set.info = nullptr;
    return m_image ? answer() : askForBackup(next);
}

// A title set whose IFO file kills libdvdread's parser may still have a sound
// backup copy, which libdvdread reads only when the IFO file cannot be read
// at all. So the copy is read by a new run through a scratch folder that
// links to it alone; the disc itself is left as it is.
DiscDescriptions::Step DiscDescriptions::askForBackup(int number)
{
    m_discs[m_root][number].backupTried = true;
    const std::string backup = backupPath(m_root, number);
    if (backup.empty())
        return answer();
    const char* tmp = std::getenv("TMPDIR");
    std::string view =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/transcast-backup-XXXXXX";
    if (::mkdtemp(view.data()) == nullptr)
        return answer();
    m_scratch = view;
    const std::string videoTs = view + "/VIDEO_TS";
    char name[32];
    std::snprintf(name, sizeof name, "/VTS_%02d_0.BUP", number);
    m_scratchLink = videoTs + name;
    if (::mkdir(videoTs.c_str(), 0700) != 0 ||
        ::symlink(backup.c_str(), m_scratchLink.c_str()) != 0) {
        removeScratch();
        return answer();
    }
    m_waiting = Waiting::Backup;
    m_backupNumber = number;
    Step step;
    step.arguments = {"--describe-backup", videoTs, std::to_string(number), m_root};
    return step;
}

DiscDescriptions::Step DiscDescriptions::describedBackup(const Run& run)
{
    TitleSetStream stream = readTitleSetStream(run.bytes);
    removeScratch();
    ReadTitleSet& set = m_discs[m_root][m_backupNumber];
    if (run.end == Run::End::Exited && run.status == 0 && stream.whole() &&
        stream.records.size() == 1 && stream.records.front().number == m_backupNumber) {
        std::shared_ptr<const TitleSet> backup = infoOf(stream.records.front());
        // The copy stands in for the IFO file only where it holds more.
        if (backup && (!set.info || backup->playableTitles() > set.info->playableTitles()))
            set.info = std::move(backup);
    }
    return answerOrTryBackup();
}

void DiscDescriptions::removeScratch()
{
    if (m_scratch.empty())
        return;
    ::unlink(m_scratchLink.c_str());
    ::rmdir((m_scratch + "/VIDEO_TS").c_str());
    ::rmdir(m_scratch.c_str());
    m_scratch.clear();
}

} // namespace transcast::dvd
