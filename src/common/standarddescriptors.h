#pragma once

namespace transcast
{

// Descriptors 0, 1 and 2 must always be open: a library that closes one of
// them (some video drivers' probing does) would otherwise let the next file
// or connection the program opens take that number, and the next write to
// standard output or error, or the next close by that library, would hit it
// (an X connection closed that way ends the program). Each one found closed
// is opened again on /dev/null; the others are left as they are. Returns how
// many were opened. Safe to call at any time, from any thread.
int keepStandardDescriptorsOpen();

} // namespace transcast
