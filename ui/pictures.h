#pragma once

#include <QIcon>
#include <QPixmap>

namespace qvr::pictures {

// The program draws its own pictures, so nothing depends on image files.
QPixmap ProductIcon(int size);       // the sensor head, for Image2 and the window icon
QPixmap Logo(int width, int height); // the "QVR" word mark, for Image1
QIcon StartGlyph();
QIcon StopGlyph();
QIcon SaveGlyph();
QIcon SetpointGlyph();

} // namespace qvr::pictures
