#pragma once

#include <functional>

#include <QByteArray>
#include <QByteArrayView>

namespace transcast
{

// Output of a child program read in blocks: each block is appended (up to
// its first zero byte, as 8-bit text ends there) and `atLineEnd` runs at every
// carriage return or line feed the pending text then holds, a CR LF or LF LF
// pair counting once, with the line that just ended (its end taken off).
// The reader at each line end may also look at the whole pending text; the
// lines walked are cut off afterwards, and an unfinished last line waits for
// the next block.
void appendAndWalkLines(QByteArray& pending, const QByteArray& block,
                        const std::function<void(QByteArrayView line)>& atLineEnd);

} // namespace transcast
