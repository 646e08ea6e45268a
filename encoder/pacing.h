#pragma once

#include <initializer_list>
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
// first picture back to 0 instead. AVI keeps no encoder delay either: an
// audio encoder's priming (1105 samples for LAME's MP3, a whole 2048-sample
// frame for WMA at 44.1 kHz) is played by players, and it starts the sound
// before 0. ffmpeg's muxer would then move every stream later by the priming,
// and the AVI writer, which holds one picture per frame slot, rounds the
// picture's move to a whole slot and leaves that slot empty: the frame at
// 0.04 s is missing, every later one is a frame late (9 dB of PSNR against
// the source frame by frame) and the file holds a frame more than its source.
// So an AVI's streams are never moved ("-avoid_negative_ts disabled", which
// AVI can take: it stores no times), and the sound is cut at its start by
// the encoder's priming, so that with its priming it begins at 0 again. And
// AVI keeps frames in decoding order without their times: players show a
// picture that B-frames reorder as late as the reordering is deep (80 ms for
// libx264's default), so an AVI's libx264 makes none.
//
// A sound with more channels than the output asks for ("-ac") is folded down
// with ffmpeg's own weights (centre and surrounds at -3 dB, no LFE), scaled so
// that no output channel's weights add up to more than 1: ffmpeg 5.1 leaves a
// float fold-down unscaled (1 + 0.707 + 0.707 for 5.1 into stereo), and a loud
// mix then clips by up to 7.7 dB. The price is the same 7.7 dB off every 5.1
// mix, its dialogue's included.
namespace transcast
{

// The value after the last of `names` in the options, empty when none is
// there.
std::string lastValueOf(const std::vector<std::string>& options,
                        std::initializer_list<const char*> names);

// Whether the option stands among the arguments.
bool hasArgument(const std::vector<std::string>& options, const char* option);

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
// then the cut that makes room for the priming an AVI output plays.
std::string soundFilter(const std::vector<std::string>& options);

// Adds soundFilter to a conversion's ffmpeg arguments (output path not
// included), after the options' own "-af" or as one of its own, unless the
// sound is dropped ("-an") or copied; "-bf 0" to libx264 into AVI unless
// the options say how many B-frames to make; and, for AVI, that the muxer
// moves no stream unless the options say otherwise.
void keepSoundWithPicture(std::vector<std::string>& arguments);

} // namespace transcast
