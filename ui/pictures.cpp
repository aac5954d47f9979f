#include "ui/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace qvr::pictures {

namespace {

QPixmap Blank(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon GlyphIcon(void (*draw)(QPainter&, bool enabled)) {
    QIcon icon;
    for (bool enabled : {true, false}) {
        QPixmap pm = Blank(24, 24);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, enabled);
        icon.addPixmap(pm, enabled ? QIcon::Normal : QIcon::Disabled);
    }
    return icon;
}

QColor Tone(QColor c, bool enabled) {
    return enabled ? c : QColor(160, 160, 160);
}

} // namespace

QPixmap ProductIcon(int size) {
    QPixmap pm = Blank(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 50.0, size / 50.0);
    // Mast and heated sensing head with its airflow slot.
    QLinearGradient body(0, 0, 50, 0);
    body.setColorAt(0, QColor(90, 100, 115));
    body.setColorAt(0.5, QColor(215, 222, 230));
    body.setColorAt(1, QColor(90, 100, 115));
    p.setPen(QPen(QColor(50, 55, 65), 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(20, 22, 10, 26), 2, 2);
    p.drawRoundedRect(QRectF(12, 4, 26, 20), 6, 6);
    p.setBrush(QColor(30, 35, 45));
    p.drawRoundedRect(QRectF(16, 11, 18, 6), 3, 3);
    p.setPen(QPen(QColor(255, 120, 40), 2.0));
    p.drawLine(QPointF(18, 14), QPointF(32, 14));
    // Wind lines.
    p.setPen(QPen(QColor(0, 170, 220), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1, 9), QPointF(9, 9));
    p.drawLine(QPointF(3, 14), QPointF(10, 14));
    p.drawLine(QPointF(1, 19), QPointF(9, 19));
    return pm;
}

QPixmap Logo(int width, int height) {
    QPixmap pm = Blank(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f("Sans Serif");
    f.setBold(true);
    f.setItalic(true);
    f.setPixelSize(height - 5);
    p.setFont(f);
    p.setPen(QColor(0, 90, 160));
    p.drawText(QRect(0, 0, width, height), Qt::AlignVCenter | Qt::AlignLeft, "QVR");
    p.setPen(QPen(QColor(0, 170, 220), 2));
    p.drawLine(QPointF(width * 0.52, height - 4.0), QPointF(width - 2.0, height - 4.0));
    p.drawLine(QPointF(width * 0.62, height - 9.0), QPointF(width - 2.0, height - 9.0));
    return pm;
}

QIcon StartGlyph() {
    return GlyphIcon([](QPainter& p, bool on) {
        p.setPen(QPen(Tone(QColor(20, 110, 30), on), 1.2));
        p.setBrush(Tone(QColor(60, 190, 70), on));
        QPainterPath tri;
        tri.moveTo(7, 4);
        tri.lineTo(20, 12);
        tri.lineTo(7, 20);
        tri.closeSubpath();
        p.drawPath(tri);
    });
}

QIcon StopGlyph() {
    return GlyphIcon([](QPainter& p, bool on) {
        p.setPen(QPen(Tone(QColor(130, 20, 20), on), 1.2));
        p.setBrush(Tone(QColor(215, 50, 45), on));
        p.drawRoundedRect(QRectF(5.5, 5.5, 13, 13), 2, 2);
    });
}

QIcon SaveGlyph() {
    return GlyphIcon([](QPainter& p, bool on) {
        p.setPen(QPen(Tone(QColor(30, 50, 110), on), 1.2));
        p.setBrush(Tone(QColor(60, 100, 190), on));
        p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
        p.setBrush(Tone(QColor(235, 240, 250), on));
        p.drawRect(QRectF(7, 3.5, 10, 6));
        p.drawRect(QRectF(6, 13, 12, 7.5));
        p.setPen(QPen(Tone(QColor(30, 50, 110), on), 1));
        p.drawLine(QPointF(8, 16), QPointF(16, 16));
        p.drawLine(QPointF(8, 18.5), QPointF(16, 18.5));
    });
}

QIcon SetpointGlyph() {
    return GlyphIcon([](QPainter& p, bool on) {
        p.translate(12, 12);
        p.setPen(QPen(Tone(QColor(70, 70, 80), on), 1.2));
        p.setBrush(Tone(QColor(150, 155, 170), on));
        QPainterPath gear;
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.rotate(i * 45.0);
            p.drawRect(QRectF(-2, -10, 4, 5));
            p.restore();
        }
        p.drawEllipse(QPointF(0, 0), 7, 7);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(0, 0), 2.8, 2.8);
    });
}

} // namespace qvr::pictures
