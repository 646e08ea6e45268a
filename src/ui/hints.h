#pragma once

#include <QString>

namespace transcast
{

// The one-line help of the main window: the hint shown for the skin object
// under the mouse pointer, or a welcome line over anything else.
class Hints
{
public:
    static constexpr int Welcome = 0;
    // Hint numbers run from 0 to Count - 1.
    static constexpr int Count = 25;

    // The hint number of a skin object. Names compare exactly, letter case
    // included ("Profiles" is not "profiles"); any other name, the empty one
    // included, gives Welcome.
    static int hintIndex(const QString& objectName);

    // The text of a hint number: Welcome gives "Welcome to use " + the
    // program title + "."; a number outside 0..Count-1 gives an empty text.
    static QString hintText(int hintIndex, const QString& programTitle);

    // hintText(hintIndex(objectName), programTitle).
    static QString hintFor(const QString& objectName, const QString& programTitle);
};

} // namespace transcast
