#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "titlesetinfo.h"
#include "titlesetsource.h"
#include "titlesetstream.h"

namespace transcast::dvd
{

// The title sets of discs, read with libdvdread. A disc's title sets are read by the
// encoder program (`register.dat --describe-disc`, see
// encoder/discdescriber.h), started with exec, never in a fork of this
// process: a damaged IFO file may crash libdvdread, and a fork of a
// multi-threaded program may only call async-signal-safe functions. What was
// read is kept while the files stay as they were, so reading the same disc
// again costs no reading at all. Nothing is written to standard output or
// error. Calls block until the reading ends, as long as it makes progress;
// an instance belongs to one thread.
class DescribedTitleSets : public TitleSetSource
{
public:
    // How long the reading may go without handing over a title set before
    // it is killed: a damaged file could send libdvdread round in circles.
    static constexpr std::chrono::milliseconds kDefaultPatience{10000};

    // encoderPath: the register.dat to start.
    explicit DescribedTitleSets(std::string encoderPath,
                                std::chrono::milliseconds patience = kDefaultPatience);
    ~DescribedTitleSets() override;

    std::shared_ptr<const TitleSet> read(const std::string& ifoPath) override;
    // The encoder could not be started, ended with an error, or answered
    // with something that is no whole description; empty when it read the
    // disc (a title set it found unreadable, or that crashed or hung it, is
    // the disc's fault and says nothing here).
    std::string readerProblem() const override { return m_problem; }

private:
    // A title set as the encoder read it; no info when it could not be read.
    struct ReadTitleSet {
        FileStamp stamp;
        std::shared_ptr<const TitleSet> info;
    };
    // How a run of the encoder ended and what it wrote.
    struct Run {
        enum class End { Exited, Died, NotStarted } end = End::NotStarted;
        int status = 0; // exit status, or the errno of a failed start
        std::string bytes;
    };
    Run runEncoder(const std::vector<std::string>& arguments) const;
    void readTitleSets(const std::string& root, bool image, const std::string& ifoPath, int first);
    std::shared_ptr<const TitleSet> readBackup(const std::string& root, int number);
    // Notes what went wrong with a run that was no whole description; false
    // then.
    bool wholeDescription(const Run& run, const TitleSetStream& stream, const std::string& root);

    std::string m_encoderPath;
    std::chrono::milliseconds m_patience;
    std::string m_problem;

    // Title sets by number, per disc root.
    std::map<std::string, std::map<int, ReadTitleSet>> m_discs;
};

} // namespace transcast::dvd
