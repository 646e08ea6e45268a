#pragma once

#include <memory>
#include <string>

struct dvd_reader_s;

namespace transcast::dvd
{

// An open disc: a folder holding VIDEO_TS, the VIDEO_TS folder itself, a
// folder holding the IFO and VOB files directly, or an .iso image.
// libdvdread's messages (among them a banner about encrypted discs it would
// otherwise print on standard output, where register.dat writes its stream)
// are caught here; the last error among them explains a failure.
class DiscReader
{
public:
    DiscReader();
    ~DiscReader();
    DiscReader(const DiscReader&) = delete;
    DiscReader& operator=(const DiscReader&) = delete;

    // False, with error() saying why, when the root cannot be opened.
    bool open(const std::string& root);
    bool isOpen() const { return m_reader != nullptr; }
    dvd_reader_s* handle() const { return m_reader.get(); }
    const std::string& root() const { return m_root; }
    const std::string& error() const { return m_error; }
    // The last error libdvdread reported since open() succeeded, empty when
    // none.
    std::string lastLibraryError() const;

    struct Log;

private:
    struct Closer {
        void operator()(dvd_reader_s* reader) const;
    };
    std::unique_ptr<Log> m_log;
    std::unique_ptr<dvd_reader_s, Closer> m_reader;
    std::string m_root;
    std::string m_error;
};

} // namespace transcast::dvd
