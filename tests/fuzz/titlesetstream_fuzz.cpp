// The program's reader of what register.dat says about a disc's title sets:
// any bytes never crash it or read outside them, a stream it calls whole
// ends in a sound end frame, and what it took from a stream re-encodes to
// that stream's own start.
#include "dvd/titlesetstream.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace transcast::dvd;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const TitleSetStream stream = readTitleSetStream(bytes);
    FUZZ_CHECK(stream.whole() == stream.faultText().empty());

    std::string again = titleSetStreamStart();
    for (const TitleSetRecord& record : stream.records) {
        FUZZ_CHECK(record.number >= 0);
        again += titleSetFrame(record);
    }
    using Fault = TitleSetStream::Fault;
    const bool headed = bytes.size() >= titleSetStreamStart().size() &&
                        stream.fault != Fault::Empty && stream.fault != Fault::Foreign &&
                        stream.fault != Fault::Version;
    if (!headed) {
        FUZZ_CHECK(stream.records.empty());
        return 0;
    }
    FUZZ_CHECK(bytes.compare(0, again.size(), again) == 0);
    if (stream.whole())
        FUZZ_CHECK(bytes ==
                   again + titleSetStreamEnd(static_cast<std::uint32_t>(stream.records.size())));
    return 0;
}
