// register.dat's readers of ffmpeg's output: the -progress key=value blocks
// and the message stream it passes on. Any bytes, cut anywhere.
#include <string>

#include "encoder/messagefilter.h"
#include "encoder/progresstranslator.h"
#include "engine/progressscan.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    transcast::ProgressTranslator translator;
    transcast::MessageFilter filter;
    for (const QByteArray& block : fuzz::blocks(data, size, 512)) {
        const std::string_view piece(block.constData(), static_cast<size_t>(block.size()));
        for (const transcast::ProgressSample& sample : translator.feed(piece)) {
            const std::string line = transcast::formatProgressLine(sample);
            FUZZ_CHECK(!line.empty() && line.back() == '\r');
            // Whatever ffmpeg wrote, our own line reads back as the whole
            // seconds it stands for (or 0 when out of the app's range).
            const int seconds = transcast::parseProgress(QByteArray::fromStdString(line));
            if (sample.outTimeUs >= 0 && sample.outTimeUs / 1000000 <= 100000)
                FUZZ_CHECK(seconds == sample.outTimeUs / 1000000);
        }
        // No statistics line of ffmpeg's gets through: the app would read
        // its clock-form time in place of ours.
        const std::string passed = filter.feed(piece);
        size_t start = 0;
        while (start < passed.size()) {
            size_t end = passed.find_first_of("\r\n", start);
            end = end == std::string::npos ? passed.size() : end + 1;
            const std::string_view line(passed.data() + start, end - start);
            FUZZ_CHECK(!transcast::isStatisticsLine(line));
            start = end;
        }
    }
    filter.finish();
    return 0;
}
