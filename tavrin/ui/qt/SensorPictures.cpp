#include "SensorPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace tavrin {

QPixmap SensorPicture(int position)
{
    constexpr int w = 44, h = 56;
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // The card, upright, with its magnetic stripe and chip.
    const QRectF card(10, 4, 24, 48);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(235, 240, 248));
    p.drawRoundedRect(card, 3, 3);
    p.fillRect(QRectF(card.right() - 7, card.top() + 2, 4, card.height() - 4), QColor(70, 70, 70));
    p.setBrush(QColor(212, 175, 55));
    p.drawRoundedRect(QRectF(card.left() + 4, card.top() + 8, 8, 7), 1.5, 1.5);

    // The sensor: an emitter left of the card and its beam across it.
    const int clamped = position < 1 ? 1 : (position > 4 ? 4 : position);
    const qreal y = card.top() + 5 + (clamped - 1) * (card.height() - 10) / 3.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    QPainterPath emitter;
    emitter.moveTo(1, y - 4);
    emitter.lineTo(8, y);
    emitter.lineTo(1, y + 4);
    emitter.closeSubpath();
    p.drawPath(emitter);
    p.setPen(QPen(QColor(200, 30, 30), 1.5, Qt::DashLine));
    p.drawLine(QPointF(8, y), QPointF(w - 2, y));
    return pixmap;
}

} // namespace tavrin
