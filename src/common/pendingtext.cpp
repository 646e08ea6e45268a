#include "common/pendingtext.h"

namespace transcast
{

void appendAndWalkLines(QByteArray& pending, const QByteArray& block,
                        const std::function<void(QByteArrayView line)>& atLineEnd)
{
    const int zero = block.indexOf('\0');
    pending += zero < 0 ? block : block.left(zero);
    int consumed = 0;
    for (int i = 0; i < pending.size(); ++i) {
        if (i < consumed)
            continue;
        const char c = pending.at(i);
        if (c != '\r' && c != '\n')
            continue;
        atLineEnd(QByteArrayView(pending).sliced(consumed, i - consumed));
        consumed = i + 1;
        if (consumed < pending.size() && pending.at(consumed) == '\n')
            ++consumed;
    }
    pending.remove(0, consumed);
}

} // namespace transcast
