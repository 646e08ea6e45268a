#pragma once

#include <QString>

namespace transcast
{

class OptionBox;

// A choice given on the command line for one option box (--size, --video,
// --audio): a position counted from 0, the exact text of an entry, or the
// text of a labelled entry before its "(" ("640x480" for "640x480(VGA)")
// when only one entry reads so. It is
// refused when the box is disabled or holds no such entry, with a message
// that lists what the box does offer.
class OptionChoice
{
public:
    struct Result {
        int index = -1;
        QString error; // empty when accepted
    };

    // `option` names the option in messages ("--size"), `what` the box
    // ("frame size"), `profile` the current profile's number.
    static Result resolve(const OptionBox& box, const QString& value, const QString& option,
                          const QString& what, int profile);
};

} // namespace transcast
