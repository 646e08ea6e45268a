// The app's scan of the encoder's output: any bytes, cut anywhere, give
// progress values in range and never crash.
#include "engine/progressscan.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    transcast::ProgressScanner scanner;
    // 256 bytes is what the runner reads at a time; smaller blocks split
    // reports at every position.
    for (const QByteArray& block : fuzz::blocks(data, size, 256)) {
        for (int value : scanner.feed(block)) {
            FUZZ_CHECK(value > 0 && value <= 100000);
            const QByteArray text = transcast::percentText(value);
            FUZZ_CHECK(text.endsWith('%') && text.size() >= 6);
        }
    }
    const int whole = transcast::parseProgress(fuzz::bytes(data, size));
    FUZZ_CHECK(whole >= 0 && whole <= 100000);
    return 0;
}
