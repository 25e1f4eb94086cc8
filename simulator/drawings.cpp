#include "simulator/drawings.h"

#include <QPainter>
#include <QPainterPath>

namespace tavro::simu {

namespace {

QPixmap blank(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap coinsPicture(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size * 0.7;
    const qreal h = size * 0.16;
    const qreal x = (size - w) / 2;
    // Coins from the bottom up, each an edge and a face.
    for (int i = 0; i < 5; ++i) {
        const qreal y = size * 0.78 - i * h * 0.8;
        p.setPen(QPen(QColor(120, 85, 10), size / 48.0));
        p.setBrush(QColor(205, 150, 30));
        p.drawRect(QRectF(x, y, w, h * 0.5));
        p.drawEllipse(QRectF(x, y + h * 0.5 - h / 2, w, h));
        p.setBrush(QColor(245, 200, 70));
        p.drawEllipse(QRectF(x, y - h / 2, w, h));
    }
    p.setPen(QColor(120, 85, 10));
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(int(h * 0.8));
    p.setFont(f);
    const qreal top = size * 0.78 - 4 * h * 0.8;
    p.drawText(QRectF(x, top - h / 2, w, h), Qt::AlignCenter, QStringLiteral("DH"));
    return pixmap;
}

QPixmap calculatorPicture(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(size * 0.2, size * 0.08, size * 0.6, size * 0.84);
    p.setPen(QPen(QColor(30, 30, 30), size / 40.0));
    p.setBrush(QColor(70, 110, 160));
    p.drawRoundedRect(body, size * 0.06, size * 0.06);
    const QRectF screen(body.left() + body.width() * 0.1, body.top() + body.height() * 0.07, body.width() * 0.8,
                        body.height() * 0.2);
    p.setBrush(QColor(200, 225, 190));
    p.drawRect(screen);
    const qreal key = body.width() * 0.8 / 4;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            const QRectF k(screen.left() + col * key + key * 0.12, screen.bottom() + body.height() * 0.06 + row * key * 1.05,
                           key * 0.76, key * 0.76);
            p.setBrush(col == 3 ? QColor(230, 140, 40) : QColor(235, 235, 235));
            p.drawRoundedRect(k, key * 0.15, key * 0.15);
        }
    }
    return pixmap;
}

} // namespace tavro::simu
