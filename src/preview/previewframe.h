#pragma once

#include <QByteArray>

namespace transcast
{

// A still picture: `height` rows of `stride` bytes, each pixel four bytes
// blue, green, red, unused (a 32-bit 0xffRRGGBB-style word on little-endian
// machines, as Qt's RGB32 reads it).
struct PreviewFrame {
    int width = 0;
    int height = 0;
    int stride = 0;
    QByteArray pixels;

    bool isNull() const { return width <= 0 || height <= 0 || pixels.isEmpty(); }
};

} // namespace transcast
