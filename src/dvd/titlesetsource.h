#pragma once

#include <memory>
#include <string>

#include "titleset.h"

namespace transcast::dvd
{

// Where the title discovery gets a title set from: the real one reads discs
// through register.dat (DescribedTitleSets); tests stand in for title sets
// no authoring tool makes. An instance belongs to one thread.
class TitleSetSource
{
public:
    virtual ~TitleSetSource() = default;

    // The title set of an IFO file, e.g. "/media/disc/VIDEO_TS/VTS_01_0.IFO";
    // the file may lie inside an .iso image ("/home/me/film.iso/VIDEO_TS/
    // VTS_01_0.IFO"). Null when the file cannot be read as a title set:
    // missing, truncated, corrupt, VIDEO_TS.IFO, or not named VTS_nn_0.IFO.
    // The record never changes once given; the same unchanged file may give
    // the same record again.
    virtual std::shared_ptr<const TitleSet> read(const std::string& ifoPath) = 0;

    // After a read that gave null: why nothing could be read when the reason
    // lies outside the disc (the program that reads it could not be run, or
    // answered nonsense), in words for the user; empty when the title set
    // itself is unreadable.
    virtual std::string readerProblem() const { return {}; }
};

} // namespace transcast::dvd
