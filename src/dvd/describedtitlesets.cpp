#include "describedtitlesets.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dvdlocator.h"
#include "titlesetstream.h"

namespace transcast::dvd
{

namespace
{

// Title sets are numbered 01 to 99.
constexpr int kMaxTitleSets = 99;
// More than any disc's description: an encoder that goes on writing is not
// describing a disc.
constexpr size_t kMaxDescription = 64 << 20;

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

// A spawn's attributes and file actions, released however the start goes.
class SpawnSetup
{
public:
    explicit SpawnSetup(int output)
    {
        posix_spawnattr_init(&m_attributes);
        // A group of its own, as the encoders have: Ctrl-C in a terminal
        // reaches the program, which decides what ends; register.dat dies
        // with the program anyway (it asks for that itself).
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setpgroup(&m_attributes, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        posix_spawn_file_actions_init(&m_actions);
        posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&m_actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&m_actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        // Nothing else of ours (the window's sockets, files being written)
        // reaches the reader.
        posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawnattr_t* attributes() const { return &m_attributes; }
    const posix_spawn_file_actions_t* actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

} // namespace

DescribedTitleSets::DescribedTitleSets(std::string encoderPath, std::chrono::milliseconds patience)
    : m_encoderPath(std::move(encoderPath)), m_patience(patience)
{
}

DescribedTitleSets::~DescribedTitleSets() = default;

std::shared_ptr<const TitleSet> DescribedTitleSets::read(const std::string& path)
{
    m_problem.clear();
    const int number = titleSetOfIfoPath(path);
    const std::string root = number > 0 ? discToOpenFor(path) : std::string();
    if (root.empty())
        return nullptr;
    // An image is searched inside; a folder's IFO must be there to be read
    // (libdvdread would otherwise quietly take the backup copy).
    const bool image = isRegularFile(root);
    if (!image && !isRegularFile(path))
        return nullptr;

    std::map<int, ReadTitleSet>& sets = m_discs[root];
    auto known = sets.find(number);
    if (known == sets.end() ||
        known->second.stamp != FileStamp::of(stampPathOf(root, image, path, number))) {
        readTitleSets(root, image, path, number);
        known = sets.find(number);
        if (known == sets.end())
            return nullptr;
    }
    return known->second.info;
}

// Runs the encoder with its output into a pipe and collects what it writes
// until it ends, or kills it when it makes no progress for m_patience.
// posix_spawn starts it without running anything of ours in a copy of this
// process.
DescribedTitleSets::Run
DescribedTitleSets::runEncoder(const std::vector<std::string>& arguments) const
{
    Run run;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        run.status = errno;
        return run;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(m_encoderPath.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    int error = 0;
    {
        const SpawnSetup setup(ends[1]);
        error = ::posix_spawn(&child, m_encoderPath.c_str(), setup.actions(), setup.attributes(),
                              argv.data(), environ);
    }
    ::close(ends[1]);
    if (error != 0) {
        ::close(ends[0]);
        run.status = error;
        return run;
    }

    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + m_patience;
    bool killed = false;
    char buffer[64 * 1024];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || run.bytes.size() > kMaxDescription) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        pollfd waiting = {ends[0], POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        run.bytes.append(buffer, static_cast<size_t>(n));
        deadline = Clock::now() + m_patience;
    }
    ::close(ends[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            status = 0;
            killed = true;
            break;
        }
    }
    const bool exited = !killed && WIFEXITED(status);
    run.end = exited ? Run::End::Exited : Run::End::Died;
    run.status = exited ? WEXITSTATUS(status) : 0;
    return run;
}

bool DescribedTitleSets::wholeDescription(const Run& run, const TitleSetStream& stream,
                                          const std::string& root)
{
    using Fault = TitleSetStream::Fault;
    // It understood what was asked and started describing.
    const bool began = stream.fault != Fault::Empty && stream.fault != Fault::Foreign &&
                       stream.fault != Fault::Version;
    switch (run.end) {
    case Run::End::NotStarted:
        m_problem = "Cannot start the encoder " + m_encoderPath + " to read the disc " + root +
                    ": " + std::strerror(run.status);
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
        m_problem = "The encoder " + m_encoderPath + " could not describe the disc " + root +
                    " (exit status " + std::to_string(run.status) + ")";
        return false;
    }
    m_problem = "The encoder " + m_encoderPath + " described the disc " + root +
                " in a form this program cannot read: " + stream.faultText();
    return false;
}

// libdvdread trusts the tables of an IFO file: some damaged files make it
// write through null pointers (found by changing bytes of authored IFO files
// at random). So the disc's title sets are read by the encoder, where such a
// file costs only that process, and handed over through a pipe. One run
// reads every title set from the one asked for onwards, so a disc costs one
// run, and the next read of the same unchanged disc none.
void DescribedTitleSets::readTitleSets(const std::string& root, bool image,
                                       const std::string& ifoPath, int first)
{
    const Run run = runEncoder({"--describe-disc", root, std::to_string(first), ifoPath});
    TitleSetStream stream = readTitleSetStream(run.bytes);
    const bool whole = wholeDescription(run, stream, root);
    if (!m_problem.empty())
        return;

    // Whole frames came through sound, also from a run that died after them.
    std::map<int, ReadTitleSet>& sets = m_discs[root];
    int next = first;
    for (TitleSetRecord& record : stream.records) {
        if (record.number != next || next > kMaxTitleSets)
            break;
        ReadTitleSet& set = sets[next++];
        set.stamp = record.stamp;
        set.info = infoOf(record);
    }
    // The encoder died (or hung) on the title set after the last it handed
    // over; in a folder, its backup copy may still be sound.
    if (!whole && next <= kMaxTitleSets) {
        ReadTitleSet& set = sets[next];
        set.stamp = FileStamp::of(stampPathOf(root, image, ifoPath, next));
        set.info = image ? nullptr : readBackup(root, next);
    }
}

// A title set whose IFO file kills libdvdread's parser may still have a sound
// backup copy, which libdvdread reads only when the IFO file cannot be read
// at all. So the copy is read by a new run through a scratch folder that
// links to it alone; the disc itself is left as it is.
std::shared_ptr<const TitleSet> DescribedTitleSets::readBackup(const std::string& root, int number)
{
    const std::string backup = backupPath(root, number);
    if (backup.empty())
        return nullptr;
    const char* tmp = std::getenv("TMPDIR");
    std::string view =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/transcast-backup-XXXXXX";
    if (::mkdtemp(view.data()) == nullptr)
        return nullptr;
    const std::string videoTs = view + "/VIDEO_TS";
    char name[32];
    std::snprintf(name, sizeof name, "/VTS_%02d_0.BUP", number);
    const std::string link = videoTs + name;
    std::shared_ptr<const TitleSet> info;
    if (::mkdir(videoTs.c_str(), 0700) == 0 && ::symlink(backup.c_str(), link.c_str()) == 0) {
        const Run run = runEncoder({"--describe-backup", videoTs, std::to_string(number)});
        TitleSetStream stream = readTitleSetStream(run.bytes);
        if (run.end == Run::End::Exited && run.status == 0 && stream.whole() &&
            stream.records.size() == 1 && stream.records.front().number == number)
            info = infoOf(stream.records.front());
    }
    ::unlink(link.c_str());
    ::rmdir(videoTs.c_str());
    ::rmdir(view.c_str());
    return info;
}

} // namespace transcast::dvd
