#include "invocation.h"

#include <algorithm>
#include <cctype>

namespace transcast
{

bool hasAmrExtension(const std::string& path)
{
    static const std::string extension = ".amr";
    if (path.size() < extension.size())
        return false;
    return std::equal(
        extension.begin(), extension.end(), path.end() - extension.size(),
        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

Invocation parseInvocation(const std::vector<std::string>& arguments)
{
    Invocation invocation;
    invocation.arguments = arguments;

    size_t inputAt = arguments.size();
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-i") {
            inputAt = i + 1;
            break;
        }
    }
    if (inputAt == arguments.size())
        return invocation;

    invocation.input = arguments[inputAt];
    // "-y" counts only where it is an option, not where it is a path.
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (i == inputAt)
            continue;
        if (arguments[i] == "-y")
            invocation.overwrite = true;
    }

    if (invocation.input.rfind("vts://", 0) == 0) {
        invocation.kind = Invocation::Kind::DvdInput;
        if (inputAt + 1 < arguments.size())
            invocation.output = arguments.back();
    } else if (inputAt + 1 == arguments.size()) {
        invocation.kind = Invocation::Kind::Probe;
    } else {
        invocation.output = arguments.back();
        invocation.kind = hasAmrExtension(invocation.output) ? Invocation::Kind::ConvertAmr
                                                             : Invocation::Kind::Convert;
    }
    return invocation;
}

Invocation withFileInput(Invocation invocation)
{
    if (invocation.kind != Invocation::Kind::Convert &&
        invocation.kind != Invocation::Kind::ConvertAmr)
        return invocation;
    std::vector<std::string>& arguments = invocation.arguments;
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-i") {
            arguments[i + 1] = "file:" + arguments[i + 1];
            break;
        }
    }
    return invocation;
}

Invocation withInputFormat(Invocation invocation, const std::string& format)
{
    if (invocation.kind != Invocation::Kind::Convert &&
        invocation.kind != Invocation::Kind::ConvertAmr)
        return invocation;
    std::vector<std::string>& arguments = invocation.arguments;
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] != "-i")
            continue;
        std::vector<std::string> options = {"-protocol_whitelist", "file", "-f", format};
        if (format == "image2")
            options.insert(options.end(), {"-pattern_type", "none"});
        arguments.insert(arguments.begin() + static_cast<long>(i), options.begin(), options.end());
        break;
    }
    return invocation;
}

} // namespace transcast
