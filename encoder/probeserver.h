#pragma once

#include <string>

// Probing a folder of many files costs one process start each, and most of a
// start is loading the media libraries (well over a hundred shared objects).
// "register.dat --probe-server" loads them once and then reports on one file
// after another: the app writes each path followed by a NUL byte to our
// standard input, and we answer each with the line "REPORT <bytes>" and
// exactly the report "register.dat -i PATH" would have printed. Each file is
// still read in a process of its own (a fork of this one), so a file that
// crashes or corrupts the reader costs only its own report.
namespace transcast
{

// The report on one path, as the one-file probe prints it; `readable` tells
// whether it is a report or a failure line.
std::string probeReportFor(const std::string& path, bool& readable);

// The report on one path from a forked child; a child that dies gets a
// failure line saying so in place of its half report.
std::string probeInChild(const std::string& path);

// Serves paths from `in` until it ends; returns 0 then, or 1 when `out` can
// no longer be written (the app is gone).
int runProbeServer(int in, int out);

} // namespace transcast
