#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace transcast
{

// Writes narrow-band AMR (RFC 4867 storage format: "#!AMR\n", then one frame
// per 20 ms) with libopencore-amrnb, because Debian's ffmpeg has no AMR
// encoder. Takes raw signed 16-bit little-endian 8000 Hz mono samples.
class AmrWriter
{
public:
    AmrWriter();
    AmrWriter(const AmrWriter&) = delete;
    AmrWriter& operator=(const AmrWriter&) = delete;
    ~AmrWriter();

    // Opens the file, which the job has claimed (OutputClaim), from its
    // start, and writes the header. mode is one of the codec's modes (see
    // amrModeFor). On failure returns false and error() says why.
    bool open(const std::string& path, int mode);

    // Encodes every complete 20 ms frame of the samples given so far.
    bool write(const char* pcm, size_t size);

    // Encodes the last partial frame, padded with silence, and closes the
    // file. Returns false when the data could not all be written.
    bool finish();

    // Closes the file as it stands, for a job that failed: the claim then
    // removes it.
    void close();

    long long frames() const { return m_frames; }
    long long bytesWritten() const { return m_bytes; }
    const std::string& error() const { return m_error; }

private:
    bool encodeFrame(const unsigned char* pcm);
    bool fail(const std::string& what);

    std::string m_path;
    std::FILE* m_file = nullptr;
    void* m_encoder = nullptr;
    int m_mode = 0;
    std::string m_partial; // samples short of a whole frame
    long long m_frames = 0;
    long long m_bytes = 0;
    std::string m_error;
};

// The codec mode nearest to a requested bitrate in bit/s (12200 gives the
// 12.2 kbit/s mode, 4750 the 4.75 kbit/s one); 12.2 kbit/s when none is asked.
int amrModeFor(double bitsPerSecond);

// The bitrate of a mode in bit/s.
int amrModeBitRate(int mode);

} // namespace transcast
