#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace transcast
{

// An icon drawn from an SVG file when it is first shown, at the size asked,
// kept aspect-fitted as the toolkit's own SVG icons are; the other modes
// (disabled, active, selected) as the style makes them from the drawing.
// The toolkit's own SVG icon reads the whole file as soon as it is made,
// only to check it: a window's buttons would all be read at the start, the
// hidden ones too. A file that cannot be drawn gives an empty picture.
QIcon svgFileIcon(const QString& path);
// The SVG file drawn at its own size, as the toolkit's image reader draws
// it; null when it cannot be drawn.
QPixmap svgFilePicture(const QString& path);

} // namespace transcast
