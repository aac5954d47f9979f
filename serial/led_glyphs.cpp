#include "serial/led_glyphs.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>

namespace qvr {

namespace {

constexpr int kSize = 15;
// Drawn on this colour, which then becomes transparent (bottom-left pixel).
const QColor kKey(128, 128, 0);

QImage Canvas() {
    QImage image(kSize, kSize, QImage::Format_RGB32);
    image.fill(kKey);
    return image;
}

QImage Light(QColor colour, bool on) {
    QImage image = Canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor body = on ? colour : colour.darker(300);
    QRadialGradient glow(QPointF(5.5, 5.5), 7.5);
    glow.setColorAt(0, on ? QColor(255, 255, 255) : body.lighter(160));
    glow.setColorAt(0.45, body);
    glow.setColorAt(1, body.darker(150));
    p.setPen(QColor(64, 64, 64));
    p.setBrush(glow);
    p.drawEllipse(QRect(1, 1, 12, 12));
    return image;
}

QImage Bulb(bool on) {
    QImage image = Canvas();
    QPainter p(&image);
    const QColor glass = on ? QColor(255, 240, 96) : QColor(160, 160, 160);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(glass);
    p.drawEllipse(QRect(3, 1, 8, 8));
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(QRect(5, 9, 4, 4));
    p.drawLine(5, 11, 9, 11);
    if (on) {
        p.setPen(QColor(255, 255, 255));
        p.drawPoint(5, 3);
    }
    return image;
}

} // namespace

QPixmap MakeTransparent(const QPixmap& picture) {
    if (picture.isNull()) return picture;
    const QImage image = picture.toImage();
    const QColor key = image.pixelColor(0, image.height() - 1);
    QPixmap result = picture;
    result.setMask(QBitmap::fromImage(image.createMaskFromColor(key.rgb(), Qt::MaskInColor)));
    return result;
}

QPixmap LedGlyph(const QString& name) {
    struct Entry {
        const char* base;
        QColor colour;
    };
    static const Entry lights[] = {{"LEDRED", QColor(255, 32, 32)},
                                   {"LEDGREEN", QColor(32, 224, 32)},
                                   {"LEDBLUE", QColor(48, 96, 255)},
                                   {"LEDYELLOW", QColor(255, 224, 32)},
                                   {"LEDPURPLE", QColor(200, 48, 224)}};
    for (const Entry& e : lights) {
        if (name == QString(e.base) + "ON")
            return MakeTransparent(QPixmap::fromImage(Light(e.colour, true)));
        if (name == QString(e.base) + "OFF")
            return MakeTransparent(QPixmap::fromImage(Light(e.colour, false)));
    }
    if (name == "LEDBULBON") return MakeTransparent(QPixmap::fromImage(Bulb(true)));
    if (name == "LEDBULBOFF") return MakeTransparent(QPixmap::fromImage(Bulb(false)));
    return {};
}

} // namespace qvr
