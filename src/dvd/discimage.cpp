#include "discimage.h"

#include <cstdint>
#include <cstdio>
#include <fstream>

namespace transcast::dvd
{

namespace
{

// The primary volume descriptor: sector 16 of the volume.
constexpr std::streamoff descriptorAt = 16 * 2048;
constexpr size_t descriptorSize = 2048;

std::uint64_t littleEndian(const unsigned char* p, int bytes)
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

std::string megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024 * 1024));
    return text;
}

} // namespace

std::string discImageDamage(const std::string& imagePath)
{
    std::ifstream image(imagePath, std::ios::binary | std::ios::ate);
    if (!image)
        return {};
    const std::uint64_t size = static_cast<std::uint64_t>(image.tellg());
    if (size < descriptorAt + descriptorSize)
        return "it ends after " + std::to_string(size) + " bytes, before its volume descriptor";
    unsigned char descriptor[descriptorSize];
    image.seekg(descriptorAt);
    if (!image.read(reinterpret_cast<char*>(descriptor), descriptorSize))
        return {};
    // Type 1, "CD001", version 1; the volume's size in blocks at 80 and the
    // block size at 128, each little-endian (then again big-endian).
    if (descriptor[0] != 1 || std::string(reinterpret_cast<char*>(descriptor) + 1, 5) != "CD001")
        return {};
    const std::uint64_t declared =
        littleEndian(descriptor + 80, 4) * littleEndian(descriptor + 128, 2);
    if (size >= declared)
        return {};
    return "it ends after " + megabytes(size) + " of the " + megabytes(declared) +
           " its volume holds";
}

} // namespace transcast::dvd
