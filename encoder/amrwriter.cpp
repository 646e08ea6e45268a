#include "amrwriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <opencore-amrnb/interf_enc.h>

namespace transcast
{

namespace
{

constexpr int samplesPerFrame = 160; // 20 ms at 8000 Hz
constexpr size_t bytesPerFrame = samplesPerFrame * 2;
const int modeRates[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};

} // namespace

int amrModeFor(double bitsPerSecond)
{
    if (!(bitsPerSecond > 0))
        return MR122;
    int best = MR122;
    for (int mode = MR475; mode <= MR122; ++mode) {
        if (std::fabs(modeRates[mode] - bitsPerSecond) < std::fabs(modeRates[best] - bitsPerSecond))
            best = mode;
    }
    return best;
}

int amrModeBitRate(int mode)
{
    return mode >= MR475 && mode <= MR122 ? modeRates[mode] : 0;
}

AmrWriter::AmrWriter() = default;

AmrWriter::~AmrWriter()
{
    if (m_file != nullptr)
        std::fclose(m_file);
    if (m_encoder != nullptr)
        Encoder_Interface_exit(m_encoder);
}

bool AmrWriter::fail(const std::string& what)
{
    m_error = m_path + ": " + what;
    return false;
}

bool AmrWriter::open(const std::string& path, int mode)
{
    m_path = path;
    m_mode = mode;
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr)
        return fail(std::strerror(errno));
    m_encoder = Encoder_Interface_init(0);
    if (m_encoder == nullptr)
        return fail("the AMR encoder could not be set up");
    static const char header[] = "#!AMR\n";
    if (std::fwrite(header, 1, sizeof header - 1, m_file) != sizeof header - 1)
        return fail(std::strerror(errno));
    m_bytes = sizeof header - 1;
    return true;
}

bool AmrWriter::encodeFrame(const unsigned char* pcm)
{
    short speech[samplesPerFrame];
    for (int i = 0; i < samplesPerFrame; ++i)
        speech[i] = static_cast<short>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
    unsigned char frame[64];
    const int size =
        Encoder_Interface_Encode(m_encoder, static_cast<Mode>(m_mode), speech, frame, 0);
    if (size <= 0)
        return fail("the AMR encoder rejected a frame");
    if (std::fwrite(frame, 1, size, m_file) != static_cast<size_t>(size))
        return fail(std::strerror(errno));
    ++m_frames;
    m_bytes += size;
    return true;
}

bool AmrWriter::write(const char* pcm, size_t size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(pcm);
    if (!m_partial.empty()) {
        const size_t taken = std::min(size, bytesPerFrame - m_partial.size());
        m_partial.append(pcm, taken);
        bytes += taken;
        size -= taken;
        if (m_partial.size() < bytesPerFrame)
            return true;
        if (!encodeFrame(reinterpret_cast<const unsigned char*>(m_partial.data())))
            return false;
        m_partial.clear();
    }
    for (; size >= bytesPerFrame; size -= bytesPerFrame, bytes += bytesPerFrame) {
        if (!encodeFrame(bytes))
            return false;
    }
    m_partial.assign(reinterpret_cast<const char*>(bytes), size);
    return true;
}

bool AmrWriter::finish()
{
    if (!m_partial.empty()) {
        m_partial.resize(bytesPerFrame, '\0');
        if (!encodeFrame(reinterpret_cast<const unsigned char*>(m_partial.data())))
            return false;
        m_partial.clear();
    }
    std::FILE* file = m_file;
    m_file = nullptr;
    if (std::fclose(file) != 0)
        return fail(std::strerror(errno));
    return true;
}

void AmrWriter::close()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

} // namespace transcast
