// The app's reader of a serving encoder's answers: any bytes, cut anywhere,
// never crash; every answer taken is one the stream really held, and what
// stays pending is the stream's unread end.
#include "fuzzinput.h"
#include "sources/probeworker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray whole = fuzz::bytes(data, size);
    QByteArray pending;
    qsizetype consumed = 0;
    bool refused = false;
    for (const QByteArray& block : fuzz::blocks(data, size, 64)) {
        pending += block;
        QByteArray report;
        transcast::AnswerCut cut = transcast::AnswerCut::Incomplete;
        while (!refused && (cut = transcast::cutAnswer(pending, report)) ==
                                   transcast::AnswerCut::Whole) {
            FUZZ_CHECK(report.size() <= 65536);
            const qsizetype header = whole.indexOf('\n', 1 + consumed) + 1 - (1 + consumed);
            FUZZ_CHECK(whole.mid(1 + consumed + header, report.size()) == report);
            consumed += header + report.size();
        }
        refused = refused || cut == transcast::AnswerCut::Invalid;
    }
    FUZZ_CHECK(size == 0 || pending == whole.mid(1 + consumed));
    return 0;
}
