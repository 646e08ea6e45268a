#pragma once

#include <string>

namespace transcast::dvd
{

// Why a disc image (.iso) is damaged, or empty when nothing says it is. An
// image cut short (an interrupted copy or download) still opens, and its
// title sets up to the cut read well, so a listing alone would quietly show
// fewer titles. The image's ISO 9660 volume descriptor, which every DVD-Video
// image carries beside its UDF one, says how large the volume is.
std::string discImageDamage(const std::string& imagePath);

} // namespace transcast::dvd
