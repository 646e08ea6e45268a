#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "titlesetinfo.h"
#include "titlesetstream.h"

namespace transcast::dvd
{

// What the encoder program (`register.dat --describe-disc`, see
// encoder/discdescriber.h) told of discs' title sets, and which run of it a
// title set still needs. It runs nothing itself: its owner starts the
// encoder with the arguments a step asks for, with exec and never in a fork
// of this process (a damaged IFO file may crash libdvdread, and a fork of a
// multi-threaded program may only call async-signal-safe functions), and
// hands back how the run ended. What was read is kept per disc root while
// the files stay as they were, so reading the same disc again costs no run
// at all. One reading at a time; an instance belongs to one thread.
class DiscDescriptions
{
public:
    // How long a run may go without handing over output before its owner
    // kills it: a damaged file could send libdvdread round in circles.
    static constexpr std::chrono::milliseconds kDefaultPatience{10000};
    // More than any disc's description: an encoder that goes on writing is
    // not describing a disc, and its owner kills it past this many bytes.
    static constexpr std::size_t kMaxDescription = 64 << 20;

    // How a run of the encoder ended and what it wrote on standard output.
    struct Run {
        // Died: killed (no progress, too much output) or ended by a signal.
        enum class End { Exited, Died, NotStarted } end = End::NotStarted;
        int status = 0; // the exit status when it exited
        // Why it could not be started, in the system's words ("No such file
        // or directory").
        std::string startFailure;
        std::string bytes;
    };
    // Where a reading stands: the run it waits for (the encoder's
    // arguments), or, with none, its answer.
    struct Step {
        std::vector<std::string> arguments;
        // Null when the title set cannot be read.
        std::shared_ptr<const TitleSet> titleSet;
        // Why nothing could be read when the reason lies outside the disc
        // (the encoder could not be started, ended with an error, or answered
        // with what is no whole description); empty when it read the disc (a
        // title set it found unreadable, or that crashed or hung it, is the
        // disc's fault and says nothing here).
        std::string problem;
        // With a title set: why it lists fewer titles than the disc names in
        // it (neither its IFO file nor its backup copy holds them), in words
        // for the user; empty when it is whole.
        std::string damage;
        bool answered() const { return arguments.empty(); }
    };

    // encoderPath: the register.dat the owner starts, named in the problems.
    explicit DiscDescriptions(std::string encoderPath);
    // Removes the scratch folder of a reading left waiting for its run.
    ~DiscDescriptions();
    DiscDescriptions(const DiscDescriptions&) = delete;
    DiscDescriptions& operator=(const DiscDescriptions&) = delete;

    const std::string& encoderPath() const { return m_encoderPath; }

    // Starts reading the title set of an IFO file (as TitleSetSource::request
    // names it). Answered at once when the title set is kept and its file
    // unchanged, or when the path names no title set; else the run needed.
    // Forgets a reading still waiting.
    Step begin(const std::string& ifoPath);
    // The run the last step asked for ended so: the next step, which may ask
    // for another run (a title set's backup copy).
    Step ran(const Run& run);
    // Forgets the reading waiting for its run (its owner gave the run up).
    void abandon();

private:
    // A title set as the encoder read it; no info when it could not be read.
    struct ReadTitleSet {
        FileStamp stamp;
        std::shared_ptr<const TitleSet> info;
        // Its backup copy was asked for (or there is none to ask for).
        bool backupTried = false;
    };
    enum class Waiting { Nothing, Description, Backup };

    Step describedDisc(const Run& run);
    Step describedBackup(const Run& run);
    // The step that asks for the backup copy of title set `number` in a
    // folder; answered (with what is kept) when there is none to read.
    Step askForBackup(int number);
    // The answer for the title set being read, from what is kept.
    Step answer(std::string problem = {});
    // The same, unless the kept title set lacks titles the disc names in it
    // and its backup copy may still hold them: then the step reading it.
    Step answerOrTryBackup();
    // Notes what went wrong with a run that was no whole description in
    // `problem`; false then.
    bool wholeDescription(const Run& run, const TitleSetStream& stream, std::string& problem) const;
    void removeScratch();

    std::string m_encoderPath;

    // The reading under way: the IFO file, its disc root (an image or a
    // folder) and its number, and what it waits for.
    std::string m_ifoPath;
    std::string m_root;
    bool m_image = false;
    int m_number = 0;
    Waiting m_waiting = Waiting::Nothing;
    // The backup copy being read: its number, and the scratch folder with
    // the one link that shows it alone.
    int m_backupNumber = 0;
    std::string m_scratch;
    std::string m_scratchLink;

    // Title sets by number, per disc root.
    std::map<std::string, std::map<int, ReadTitleSet>> m_discs;
};

} // namespace transcast::dvd
