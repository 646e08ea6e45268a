#pragma once

#include <string>
#include <vector>

// How register.dat reads its arguments. The app builds one command-line text,
// but the engine starts us from an argument list, so every path arrives as one
// argument and the option fragments arrive split on blanks.
namespace transcast
{

// What register.dat decided for the picture once it had looked at the source
// (see motion.h); empty when nothing is to be done.
struct PicturePlan {
    std::string leadFilters;                // before the rate and the fitting: fields, crop
    std::string tailFilters;                // after the fitting: tone mapping
    bool keepFields = false;                // encoded as fields, scaled field by field
    std::string frameRate;                  // replaces the options' "-r"; empty: theirs
    std::vector<std::string> outputOptions; // colour tags, interlaced encoding
    std::string summary;                    // for --explain: what was found and chosen
};

// What register.dat does with a file's sound and subtitle streams (see
// trackplan.h); empty when ffmpeg's own choice stands.
struct TrackPlan {
    std::vector<std::string> outputOptions; // maps and subtitle codecs
    // The -filter_complex graph that burns a subtitle into the picture,
    // ending in the label "[burned]" that the options map; empty: none.
    std::string burnGraph;
    // The graph reads the source itself again, on ffmpeg's descriptor
    // kBurnSourceFd: the source's path never enters the filter's text.
    std::string burnSource;
    std::string summary; // for --explain
};

struct Invocation {
    enum class Kind {
        Usage,      // no "-i" with a value: nothing sensible to do
        Probe,      // "-i FILE" and nothing after the file: print the report
        Convert,    // options, "-i FILE", options, output last
        ConvertAmr, // a conversion whose output ends in ".amr" (any case)
        DvdInput,   // the input is a DVD locator ("vts://..."); output as for Convert
    };
    Kind kind = Kind::Usage;
    std::string input;  // the value of the first "-i"
    std::string output; // the last argument of a conversion, empty otherwise
    // "-y" was given. Accepted as the app has always written it, but it never
    // lets a job replace a file it did not create (see OutputClaim).
    bool overwrite = false;
    std::vector<std::string> arguments; // as received, output included
    PicturePlan picture;
    TrackPlan tracks;
};

// Classifies the arguments (argv without the program name). The probe is
// recognised by nothing following the "-i" value, so "-y -i FILE" probes too;
// in every other case the last argument is the output.
Invocation parseInvocation(const std::vector<std::string>& arguments);

// The invocation as ffmpeg must be given it: for a conversion of a file, the
// value of "-i" with ffmpeg's "file:" prefix, so that a path is read as a path
// whatever it holds ("concat:a.avi|b.avi", "file:c.avi", "-"), as the probe
// reads it. Every other invocation comes back as it is.
Invocation withFileInput(Invocation invocation);

// The conversion reading its file as `format` (a demuxer's short name) and
// nothing else: the format forced, local files only, and an image read as
// itself rather than as the first of a numbered sequence. Other
// invocations come back as they are.
Invocation withInputFormat(Invocation invocation, const std::string& format);

// True when the text ends in ".amr", in any case.
bool hasAmrExtension(const std::string& path);

} // namespace transcast
