#pragma once

#include <string>
#include <vector>

#include "invocation.h"
#include "ratecontrol.h"

// The ffmpeg argument lists register.dat runs. The app still writes a few
// options in the spelling of older ffmpeg releases; ffmpeg 5.1 rejects or
// misreads them, so they are rewritten here and nowhere else.
namespace transcast
{

// The ffmpeg program: the value of TRANSCAST_FFMPEG when set and not empty,
// else "ffmpeg", looked up on PATH.
std::string ffmpegProgram();

// The arguments with the old ffmpeg spellings replaced: "-b" becomes "-b:v",
// "-ab" becomes "-b:a", and the value of "-aspect" has its decimal comma
// (written by a locale that uses one) turned into a point. Values of "-i" are
// never touched, empty arguments are dropped, and everything else passes
// through unchanged.
std::vector<std::string> modernSpelling(const std::vector<std::string>& arguments);

// An "-ar" libopus cannot take (it encodes at 48, 24, 16, 12 or 8 kHz only;
// the app asks 44100 or 22050) becomes 48000. Values of "-i" are never
// touched.
void fitSampleRate(std::vector<std::string>& options);

// The output path as ffmpeg must be given it so that it is read as a file:
// a path starting with "-" would be taken for an option and a relative path
// with a ":" for a protocol, so both get the "file:" prefix.
std::string outputUrl(const std::string& path);

// The caller's options (output excluded) in the current spelling, with the
// sample rate fitted to the sound's encoder (fitSampleRate), a profile's
// "-fpsmax" dropped when the job gives "-r" (the picture's plan keeps the
// source's rate up to it, see motion.h; ffmpeg refuses the two together),
// and the encoder family's rate control applied (see ratecontrol.h), unless
// TRANSCAST_RATE_CONTROL turns it off.
RateControlPlan conversionPlan(const Invocation& invocation);

// Full ffmpeg argument list (program name excluded) for a conversion: options
// that keep ffmpeg off the terminal and make it write machine-readable
// progress to descriptor progressFd every half second, then the options of
// the plan with the picture brought to the rate and fitted into the frame
// they ask for, the sound kept with it (see pacing.h, shape.h), the output
// last.
std::vector<std::string> conversionArguments(const Invocation& invocation, int progressFd,
                                             const RateControlPlan& plan);
std::vector<std::string> conversionArguments(const Invocation& invocation, int progressFd);

// One pass of a two-pass job (RateControlPlan::twoPass) from its full
// argument list: pass 1 writes only the encoder's statistics, under
// `logPrefix`, and no output; pass 2 reads them and writes the output.
std::vector<std::string> passArguments(const std::vector<std::string>& arguments, int pass,
                                       const std::string& logPrefix);

// Full ffmpeg argument list for an AMR job: ffmpeg decodes the input to raw
// signed 16-bit little-endian 8000 Hz mono on descriptor pcmFd, with progress
// on progressFd. Options before the input pass through; of the options after
// it only the time limits ("-ss", "-t", "-to") apply to the sound we encode.
std::vector<std::string> pcmArguments(const Invocation& invocation, int progressFd, int pcmFd);

// "321x241" as "320x240": the frame size rounded down to even numbers (at
// least 2). Anything that is not "WxH" comes back unchanged.
std::string evenFrameSize(const std::string& size);

// Whether the video encoder the arguments choose ("-vcodec", "-c:v") needs
// an even frame size, as every 4:2:0 encoder does; true when none is named,
// since the containers' default encoders do.
bool needsEvenFrameSize(const std::vector<std::string>& arguments);

// Rounds the value of each "-s" to even numbers when the encoder needs it:
// "the original width and height" of a 321x241 source would otherwise make
// libx264 refuse the job. Values of "-i" are never touched.
void evenFrameSizes(std::vector<std::string>& arguments);

// Whether a conversion's output options ask for a picture: a video profile's
// do, an audio-only profile's say "-vn".
bool asksForPicture(const Invocation& invocation);

// The audio bitrate the caller asked for with "-ab" or "-b:a", in bit/s; 0
// when none is given or it is not a number.
double requestedAudioBitrate(const Invocation& invocation);

} // namespace transcast
