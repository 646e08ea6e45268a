#pragma once

#include <functional>

#include <QByteArray>

namespace transcast
{

// Output of a child program read in blocks: each block is appended (up to
// its first zero byte, as 8-bit text ends there) and `atLineEnd` runs at every
// carriage return or line feed the pending text then holds, a CR LF or LF LF
// pair counting once. The reader at each line end looks at the whole pending
// text; the lines walked are cut off afterwards, and an unfinished last line
// waits for the next block.
void appendAndWalkLines(QByteArray& pending, const QByteArray& block,
                        const std::function<void()>& atLineEnd);

} // namespace transcast
