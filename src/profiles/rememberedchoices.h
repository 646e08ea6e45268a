#pragma once

#include <QString>

#include "common/inifile.h"

namespace transcast
{

struct OptionBoxes;

// Every profile remembers the positions last chosen in its size and quality
// boxes, in the per-profile INI file: one section per profile number, keys
// "size", "video bitrate", "audio bitrate" and "Channel" (written, never read
// back). Audio-only profiles keep only the audio choice and the direction;
// a few panel-end numbers are read but never written; the rest of the
// numbers without a definition have no entry at all.
class RememberedChoices
{
public:
    enum class Kind { None, Full, AudioOnly, AudioReadOnly };

    struct Defaults {
        int size = 0;
        int video = 0;
        int audio = 0;
    };

    // Without a file every read gives the defaults and nothing is written.
    RememberedChoices() = default;
    void setFile(const QString& path) { m_file = IniFile(path); }
    bool hasFile() const { return !m_file.path().isEmpty(); }

    static Kind kindOf(int profile);
    // The positions a box takes when the file holds none. DVD mode has no
    // source-quality entries, so its set has 2 ("Normal") wherever the file
    // mode set has 5.
    static Defaults defaultsFor(int profile, bool dvdMode);

    // Stores the boxes' current positions for `profile` (nothing for
    // numbers without an entry, 0 included).
    void save(int profile, const OptionBoxes& boxes);
    // Moves the boxes to the positions stored for `profile`, or to the
    // defaults of the mode; a position outside a box's list leaves that box
    // without a selection.
    void restore(int profile, OptionBoxes& boxes, bool dvdMode) const;

    const IniFile& file() const { return m_file; }

private:
    IniFile m_file{QString()};
};

} // namespace transcast
