#include "titlesetstream.h"

#include <algorithm>
#include <cstring>

namespace transcast::dvd
{

namespace
{

constexpr char kMagic[4] = {'T', 'C', 'T', 'S'};
constexpr size_t kHeaderSize = sizeof kMagic + sizeof(std::uint32_t);
constexpr size_t kFrameHeaderSize = 1 + 2 * sizeof(std::uint32_t);
// A title set of 999 titles of 255 cells stays well below this; a larger
// size is a damaged frame, not a reason to wait for more.
constexpr std::uint32_t kMaxPayload = 16 << 20;

std::uint32_t fnv1a(const char* data, size_t size)
{
    std::uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 16777619u;
    }
    return hash;
}

void put32(std::string& out, std::uint32_t value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::uint32_t get32(const std::string& bytes, size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

std::string frame(char kind, const std::string& payload)
{
    std::string out(1, kind);
    put32(out, static_cast<std::uint32_t>(payload.size()));
    put32(out, fnv1a(payload.data(), payload.size()));
    return out + payload;
}

} // namespace

std::string titleSetStreamStart()
{
    std::string out(kMagic, sizeof kMagic);
    put32(out, kTitleSetStreamVersion);
    return out;
}

std::string titleSetFrame(const TitleSetRecord& record)
{
    std::string payload;
    encodeRecord(record, payload);
    return frame('R', payload);
}

std::string titleSetStreamEnd(std::uint32_t records)
{
    std::string payload;
    put32(payload, records);
    return frame('E', payload);
}

std::string TitleSetStream::faultText() const
{
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::Empty:
        return "no answer";
    case Fault::Foreign:
        return "not a description of title sets";
    case Fault::Version:
        return "version " + std::to_string(version) + " where " +
               std::to_string(kTitleSetStreamVersion) + " was expected";
    case Fault::CutShort:
        return "cut short";
    case Fault::Damaged:
        return "damaged";
    }
    return {};
}

TitleSetStream readTitleSetStream(const std::string& bytes)
{
    TitleSetStream stream;
    if (bytes.empty()) {
        stream.fault = TitleSetStream::Fault::Empty;
        return stream;
    }
    if (bytes.compare(0, sizeof kMagic, kMagic, std::min(bytes.size(), sizeof kMagic)) != 0) {
        stream.fault = TitleSetStream::Fault::Foreign;
        return stream;
    }
    if (bytes.size() < kHeaderSize) {
        stream.fault = TitleSetStream::Fault::CutShort;
        return stream;
    }
    stream.version = get32(bytes, sizeof kMagic);
    if (stream.version != kTitleSetStreamVersion) {
        stream.fault = TitleSetStream::Fault::Version;
        return stream;
    }
    for (size_t at = kHeaderSize;;) {
        if (bytes.size() - at < kFrameHeaderSize) {
            stream.fault = TitleSetStream::Fault::CutShort;
            return stream;
        }
        const char kind = bytes[at];
        const std::uint32_t size = get32(bytes, at + 1);
        const std::uint32_t hash = get32(bytes, at + 5);
        if ((kind != 'R' && kind != 'E') || size > kMaxPayload) {
            stream.fault = TitleSetStream::Fault::Damaged;
            return stream;
        }
        at += kFrameHeaderSize;
        if (bytes.size() - at < size) {
            stream.fault = TitleSetStream::Fault::CutShort;
            return stream;
        }
        if (fnv1a(bytes.data() + at, size) != hash) {
            stream.fault = TitleSetStream::Fault::Damaged;
            return stream;
        }
        const std::string payload = bytes.substr(at, size);
        at += size;
        if (kind == 'E') {
            // The end counts what came before it and nothing follows it.
            if (size != sizeof(std::uint32_t) || get32(payload, 0) != stream.records.size() ||
                at != bytes.size())
                stream.fault = TitleSetStream::Fault::Damaged;
            return stream;
        }
        size_t used = 0;
        TitleSetRecord record;
        if (!decodeRecord(payload, &used, &record) || used != payload.size()) {
            stream.fault = TitleSetStream::Fault::Damaged;
            return stream;
        }
        stream.records.push_back(std::move(record));
    }
}

} // namespace transcast::dvd
