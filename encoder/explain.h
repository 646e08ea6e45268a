#pragma once

#include <string>

#include "invocation.h"

namespace transcast
{

// "register.dat --explain ARGS...": the ffmpeg command a conversion with
// these arguments would run, as one shell-quoted line ending in a line feed,
// rate control included (what TRANSCAST_RATE_CONTROL allows). A probe, an
// AMR job and a DVD input say what runs instead of or beside ffmpeg.
std::string explainInvocation(const Invocation& invocation);

// A word as a POSIX shell reads it back: unchanged when it holds only safe
// characters, else in single quotes.
std::string shellQuoted(const std::string& word);

} // namespace transcast
