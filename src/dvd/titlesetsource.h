#pragma once

#include <functional>
#include <memory>
#include <string>

#include "titleset.h"

namespace transcast::dvd
{

// Where the title discovery gets a title set from: the real one reads discs
// through register.dat (sources/EncoderTitleSets); tests stand in for title
// sets no authoring tool makes. A request answers later, from the event loop
// of the thread that asked, so that the window goes on while a disc is read.
// An instance belongs to one thread.
class TitleSetSource
{
public:
    struct Answer {
        // Null when the file cannot be read as a title set: missing,
        // truncated, corrupt, VIDEO_TS.IFO, or not named VTS_nn_0.IFO. The
        // record never changes once given; the same unchanged file may give
        // the same record again.
        std::shared_ptr<const TitleSet> titleSet;
        // With a null title set: why nothing could be read when the reason
        // lies outside the disc (the program that reads it could not be run,
        // or answered nonsense), in words for the user; empty when the title
        // set itself is unreadable.
        std::string readerProblem;
        // With a title set: why it lists fewer titles than the disc names in
        // it, in words for the user; empty when nothing says it is damaged.
        std::string damage;
    };
    using Answered = std::function<void(const Answer&)>;

    // Destroying the source forgets the request under way as cancel() does.
    virtual ~TitleSetSource() = default;

    // Asks for the title set of an IFO file, e.g.
    // "/media/disc/VIDEO_TS/VTS_01_0.IFO"; the file may lie inside an .iso
    // image ("/home/me/film.iso/VIDEO_TS/VTS_01_0.IFO"). `answered` is called
    // exactly once, always after this call has returned (never inside it),
    // unless the request is cancelled first. One request at a time: the next
    // may be made from inside `answered`.
    virtual void request(const std::string& ifoPath, Answered answered) = 0;
    // Forgets the request under way: its answer never comes, and a program
    // reading for it is ended. Nothing when none is under way.
    virtual void cancel() = 0;
};

} // namespace transcast::dvd
