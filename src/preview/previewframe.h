#pragma once

#include <QByteArray>

namespace transcast
{

// A still picture: `height` rows of `stride` bytes, each pixel four bytes
// blue, green, red, alpha (255; 0 with black in a bar beside the picture),
// as Qt's ARGB32_Premultiplied reads them on little-endian machines.
struct PreviewFrame {
    int width = 0;
    int height = 0;
    int stride = 0;
    QByteArray pixels;

    bool isNull() const { return width <= 0 || height <= 0 || pixels.isEmpty(); }
};

} // namespace transcast
