#pragma once

#include <optional>

#include <QString>

namespace transcast
{

// A picture's width and height in pixels, as a source's probe or a disc's
// title set gives it. Both are above 0 in a size that is known.
struct FrameSize {
    int width = 0;
    int height = 0;

    bool isKnown() const { return width > 0 && height > 0; }
    qint64 pixels() const { return isKnown() ? qint64(width) * height : 0; }
    // "640x480", the form the lists show and the encoder's -s takes; empty
    // for a size that is not known.
    QString text() const;

    // Reads "WxH": two whole numbers above 0 joined by a lower-case "x",
    // nothing before or after. Anything else is no frame size.
    static std::optional<FrameSize> fromText(const QString& text);

    bool operator==(const FrameSize& other) const
    {
        return width == other.width && height == other.height;
    }
    bool operator!=(const FrameSize& other) const { return !(*this == other); }
};

} // namespace transcast
