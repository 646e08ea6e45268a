#pragma once

#include <string>
#include <vector>

// Sound and picture keep time together when the frame rate changes.
//
// ffmpeg 5.1 applies an output "-r" after the filters (its "cfr" vsync): a
// frame is repeated or dropped only once its time has drifted more than 1.1
// frames from the output's clock, so a 29.97 fps or variable-rate source comes
// out with pictures 50 to 100 ms after their sound. The fps filter instead
// takes, for every output time, the source frame nearest it: never more than
// half a frame off. register.dat therefore asks for the output's rate with an
// fps filter at the head of the picture's chain (the frames it drops are never
// scaled) and keeps "-r" for the encoder, which then has nothing left to
// repeat or drop.
//
// The picture starts at 0: AVI keeps no start time per stream, so a picture
// that begins late would be moved to the start; the fps filter repeats the
// first picture back to 0 instead. AVI keeps no encoder delay either: LAME's
// MP3 begins with 1105 samples of priming that players play, and ffmpeg would
// shift every stream by them and round the picture's shift to a whole frame.
// The sound is cut by as much at its start instead, so that with its priming
// it begins at 0 again. And AVI keeps frames in decoding order without their
// times: players show a picture that B-frames reorder as late as the
// reordering is deep (80 ms for libx264's default), so an AVI's libx264 makes
// none.
//
// A sound with more channels than the output asks for ("-ac") is folded down
// with ffmpeg's own weights (centre and surrounds at -3 dB, no LFE), scaled so
// that no output channel's weights add up to more than 1: ffmpeg 5.1 leaves a
// float fold-down unscaled (1 + 0.707 + 0.707 for 5.1 into stereo), and a loud
// mix then clips by up to 7.7 dB. The price is the same 7.7 dB off every 5.1
// mix, its dialogue's included.
namespace transcast
{

// Where the first input's value stands in an ffmpeg argument list; the
// output options follow it. The list's size when there is no input.
size_t inputValueAt(const std::vector<std::string>& arguments);

// The first input's own arguments: the input options from the first one
// before "-i" ("-protocol_whitelist", "-f", "-pattern_type") to its value.
std::vector<std::string> inputArgumentsOf(const std::vector<std::string>& arguments);

// The arguments after the first input's value; none when there is no input.
std::vector<std::string> outputOptionsOf(const std::vector<std::string>& arguments);

// The frame rate the output options ask for, in ffmpeg's spelling ("25",
// "30000/1001"): the last "-r", else the rate of a disc "-target"'s norm;
// empty when they ask for none.
std::string requestedFrameRate(const std::vector<std::string>& options);

// "fps=R:start_time=0" for the options' rate, empty when they ask for none.
std::string paceFilter(const std::vector<std::string>& options);

// The sound's chain for the output options: the fold-down that cannot clip,
// then the MP3 priming an AVI output plays.
std::string soundFilter(const std::vector<std::string>& options);

// Adds soundFilter to a conversion's ffmpeg arguments (output path not
// included), after the options' own "-af" or as one of its own, unless the
// sound is dropped ("-an") or copied; and "-bf 0" to libx264 into AVI unless
// the options say how many B-frames to make.
void keepSoundWithPicture(std::vector<std::string>& arguments);

} // namespace transcast
