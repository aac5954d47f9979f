#pragma once

#include <QPixmap>
#include <QString>

namespace qvr {

// The built-in lamp pictures, 15 x 15 and transparent, by name: LEDREDON,
// LEDREDOFF, LEDGREENON, ... LEDBULBOFF. An unknown name gives a null picture.
QPixmap LedGlyph(const QString& name);

// A copy of the picture in which the colour of its bottom-left pixel is transparent.
QPixmap MakeTransparent(const QPixmap& picture);

} // namespace qvr
