#pragma once

#include <QString>
#include <QStringList>

namespace transcast
{

// Reader of "profiles.pop": four text lines per profile number, profile c
// owning lines 4c-3 .. 4c (free text, size line, bitrate line, encoder option
// line). Nothing else marks a group, so the file is always read from its
// first line; it is never cached, and an edit takes effect at the next read.
class ProfileDefinitions
{
public:
    struct Group {
        // The lines of the group that exist; a file that ends early gives
        // fewer than four.
        QStringList lines;
        bool has(int index) const { return index < lines.size(); }
        QString sizeLine() const { return lines.value(1); }
        QString bitrateLine() const { return lines.value(2); }
        QString optionLine() const { return lines.value(3); }
        // All four lines are there and none is empty, the option line holds
        // options ("-..."), and a first line that numbers its group ("#27
        // ...") names this profile: a line lost further up the file shifts
        // every later group onto its neighbour's lines.
        bool isComplete(int profile) const;
    };

    // Reads the group of `profile`. Returns false with `error` set when the
    // file cannot be opened.
    static bool readGroup(const QString& path, int profile, Group& group, QString& error);

    // The item rule shared by size and bitrate lines: items are separated by
    // single blanks; an empty item (a leading blank, two blanks in a row)
    // ends the list, and a last item of a single character is dropped, so
    // "*" yields no item while "* 320x240" yields two.
    static QStringList splitItems(const QString& line);
};

} // namespace transcast
