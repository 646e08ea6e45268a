#pragma once

#include <memory>

#include <QString>

namespace transcast
{

// One open stream of a StreamProtocol: a read-only run of bytes starting at
// position 0. Called from libmpv's demuxer thread, never on the main thread,
// and never concurrently for one stream.
class StreamReader
{
public:
    virtual ~StreamReader() = default;
    // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on
    // a read error.
    virtual qint64 read(char* buffer, qint64 size) = 0;
    // Moves to an absolute byte position; false when it cannot.
    virtual bool seek(qint64 position) = 0;
    // The stream's length in bytes, -1 when unknown.
    virtual qint64 size() const = 0;
};

// A source the player opens by address ("scheme://..."), such as a DVD title
// read sector by sector. The player calls open() from libmpv's threads, so an
// implementation keeps no state that the main thread changes meanwhile.
class StreamProtocol
{
public:
    virtual ~StreamProtocol() = default;
    // The address prefix without "://", for example "vts".
    virtual QString scheme() const = 0;
    // The libavformat demuxer its streams are read as, and no other ("mpeg"
    // for a DVD title's sectors).
    virtual QString format() const = 0;
    // The stream behind the whole address (prefix included), or null when it
    // cannot be opened.
    virtual std::unique_ptr<StreamReader> open(const QString& address) = 0;
};

} // namespace transcast
