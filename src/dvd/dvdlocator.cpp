#include "dvdlocator.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tracktext.h"

namespace transcast::dvd
{

namespace
{

const char scheme[] = "vts://";

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isDecimal(const std::string& text)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

bool isStreamId(const std::string& text)
{
    if (text.empty() || text == "0")
        return true;
    return text.size() == 4 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
           std::isxdigit(static_cast<unsigned char>(text[2])) &&
           std::isxdigit(static_cast<unsigned char>(text[3]));
}

// A field isStreamId took, as a number.
int streamIdOf(const std::string& field)
{
    return field.size() == 4 ? static_cast<int>(std::strtol(field.c_str() + 2, nullptr, 16))
                             : DvdLocator::kNoStream;
}

std::string streamIdField(int id)
{
    return id == DvdLocator::kNoStream ? std::string("0") : streamIdText(id);
}

std::optional<DvdLocator> fail(std::string* error, const std::string& text,
                               const std::string& reason)
{
    if (error != nullptr)
        *error = "not a DVD locator (" + reason + "): " + text;
    return std::nullopt;
}

std::string fileNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::optional<DvdLocator> parseDvdLocator(const std::string& text, std::string* error)
{
    if (text.compare(0, sizeof scheme - 1, scheme) != 0)
        return fail(error, text, "it does not begin with vts://");
    // Five fields ended by "*", then "/" and the root, which may itself hold
    // a "*": only the first five stars are separators.
    std::vector<std::string> fields;
    size_t at = sizeof scheme - 1;
    while (fields.size() < 5) {
        const size_t star = text.find('*', at);
        if (star == std::string::npos)
            return fail(error, text, "it needs five fields ended by *");
        fields.push_back(text.substr(at, star - at));
        at = star + 1;
    }
    if (at >= text.size() || text[at] != '/')
        return fail(error, text, "the disc root must follow */");
    DvdLocator locator;
    locator.root = text.substr(at + 1);
    if (locator.root.empty())
        locator.root = "/";

    if (!isDecimal(fields[0]))
        return fail(error, text, "the title set number is not a number");
    const long titleSet = std::strtol(fields[0].c_str(), nullptr, 10);
    if (titleSet < 1 || titleSet > 99)
        return fail(error, text, "the title set number must be 1 to 99");
    locator.titleSet = static_cast<int>(titleSet);

    if (!isDecimal(fields[1]) || !isDecimal(fields[2]))
        return fail(error, text, "the start and end positions must be sector numbers");
    const long long start = std::strtoll(fields[1].c_str(), nullptr, 10);
    const long long end = std::strtoll(fields[2].c_str(), nullptr, 10);
    if (start > INT32_MAX || end > INT32_MAX)
        return fail(error, text, "a position is too large");
    if (end < start)
        return fail(error, text, "the end position lies before the start position");
    locator.startPos = static_cast<std::int32_t>(start);
    locator.endPos = static_cast<std::int32_t>(end);

    if (!isStreamId(fields[3]))
        return fail(error, text, "the audio id must be 0 or 0x and two hex digits");
    if (!isStreamId(fields[4]))
        return fail(error, text, "the subtitle id must be 0 or 0x and two hex digits");
    locator.audioId = streamIdOf(fields[3]);
    locator.subtitleId = streamIdOf(fields[4]);
    return locator;
}

std::string formatDvdLocator(const DvdLocator& locator)
{
    char titleSet[16];
    std::snprintf(titleSet, sizeof titleSet, "%02d", locator.titleSet);
    return std::string(scheme) + titleSet + "*" + std::to_string(locator.startPos) + "*" +
           std::to_string(locator.endPos) + "*" + streamIdField(locator.audioId) + "*" +
           streamIdField(locator.subtitleId) + "*/" + locator.root;
}

std::string discRootOfIfoPath(const std::string& ifoPath)
{
    const std::string folder = folderOf(ifoPath);
    if (lower(fileNameOf(folder)) != "video_ts")
        return folder;
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : folder.substr(0, slash);
}

int titleSetOfIfoPath(const std::string& ifoPath)
{
    const std::string name = lower(fileNameOf(ifoPath));
    if (name.size() != 12 || name.compare(0, 4, "vts_") != 0 || name.compare(6, 6, "_0.ifo") != 0 ||
        !std::isdigit(static_cast<unsigned char>(name[4])) ||
        !std::isdigit(static_cast<unsigned char>(name[5])))
        return 0;
    const int number = (name[4] - '0') * 10 + (name[5] - '0');
    return number >= 1 ? number : 0;
}

} // namespace transcast::dvd
