#pragma once

namespace transcast
{

class Console;

// transcast-cli profiles: one line per profile of the catalogue, its
// number, display name and output extension separated by tabs:
//   27	iPod(320×240)MPEG-4 Codec(*.mp4)	.mp4
class ProfilesCommand
{
public:
    static int run(Console& console);
};

} // namespace transcast
