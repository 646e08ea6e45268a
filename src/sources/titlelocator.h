#pragma once

#include <QString>

namespace transcast
{

struct DvdRowInfo;

// The DVD locator of a title or chapter row, as the encoder and the preview
// read it: "vts://NN*StartPos*EndPos*AudioId*SubtitleId*/root", NN the title
// set of the row's IFO file, root the disc (folder or .iso image) holding it.
// The start is the row's own first sector, so a chapter or a later title of
// a title set begins where it does on the disc, not at the set's start.
QString titleLocator(const DvdRowInfo& info);

} // namespace transcast
