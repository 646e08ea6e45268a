// The app's reader of the encoder's probe report: any bytes, cut anywhere,
// never crash, and a reset forgets everything.
#include "fuzzinput.h"
#include "sources/probereportparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    transcast::ProbeReportParser parser;
    parser.reset();
    // The probe reads 2048 bytes at a time.
    for (const QByteArray& block : fuzz::blocks(data, size, 2048))
        parser.feed(block);
    const transcast::ProbeResult& found = parser.result();
    FUZZ_CHECK(parser.texts().duration.size() <= 11);
    FUZZ_CHECK(!found.durationMs || *found.durationMs >= 0);
    FUZZ_CHECK(!found.frameSize || found.frameSize->isKnown());
    parser.reset();
    FUZZ_CHECK(!parser.result().durationMs && !parser.result().frameSize &&
               !parser.result().overallKbps && parser.texts().duration.isEmpty() &&
               parser.pending().isEmpty());
    return 0;
}
