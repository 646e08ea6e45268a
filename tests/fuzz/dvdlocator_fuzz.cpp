// The DVD locator as register.dat and the preview read it, and the IFO path
// rules of the title discovery. Any text; a locator that parses prints back
// to a text that parses to the same locator.
#include <string>

#include "dvd/dvdlocator.h"
#include "fuzzinput.h"

namespace
{
bool same(const transcast::dvd::DvdLocator& a, const transcast::dvd::DvdLocator& b)
{
    return a.titleSet == b.titleSet && a.startPos == b.startPos && a.endPos == b.endPos &&
           a.audioId == b.audioId && a.subtitleId == b.subtitleId && a.root == b.root;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto locator = transcast::dvd::parseDvdLocator(text, &error);
    if (locator) {
        FUZZ_CHECK(locator->titleSet >= 1 && locator->titleSet <= 99);
        FUZZ_CHECK(locator->startPos >= 0 && locator->startPos <= locator->endPos);
        const std::string printed = transcast::dvd::formatDvdLocator(*locator);
        const auto again = transcast::dvd::parseDvdLocator(printed);
        FUZZ_CHECK(again && same(*again, *locator));
    } else {
        FUZZ_CHECK(!error.empty());
    }
    transcast::dvd::discRootOfIfoPath(text);
    const int titleSet = transcast::dvd::titleSetOfIfoPath(text);
    FUZZ_CHECK(titleSet >= 0 && titleSet <= 99);
    return 0;
}
