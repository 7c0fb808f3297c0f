#include "discovery/DeviceFlagPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qvx {

namespace {

constexpr int kSide = 16;
constexpr int kGap = 2;

// Drawn at twice the size, so that it stays sharp on high-density screens.
void drawOutsideSubnet(QPainter &p, qreal left)
{
    QPainterPath triangle;
    triangle.moveTo(left + 8, 1);
    triangle.lineTo(left + 15.5, 14.5);
    triangle.lineTo(left + 0.5, 14.5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(120, 70, 0), 1));
    p.setBrush(QColor(255, 190, 40));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(left + 8, 5.5), QPointF(left + 8, 9.5));
    p.drawPoint(QPointF(left + 8, 12.3));
}

void drawSharedAddress(QPainter &p, qreal left)
{
    p.setPen(QPen(QColor(0, 50, 130), 1));
    p.setBrush(QColor(60, 130, 230));
    p.drawRoundedRect(QRectF(left + 0.5, 1.5, 15, 13), 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(left + 4.5, 6), QPointF(left + 11.5, 6));
    p.drawLine(QPointF(left + 4.5, 10), QPointF(left + 11.5, 10));
}

QPixmap flagPixmap(bool outside, bool shared)
{
    const int pictures = int(outside) + int(shared);
    const int width = pictures * kSide + (pictures - 1) * kGap;
    QPixmap pixmap(2 * width, 2 * kSide);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    qreal left = 0;
    if (outside) {
        drawOutsideSubnet(p, left);
        left += kSide + kGap;
    }
    if (shared)
        drawSharedAddress(p, left);
    return pixmap;
}

} // namespace

QPixmap deviceFlagPicture(const DeviceFlags &flags)
{
    if (!flags.any())
        return {};
    // Made once each, on first use (a pixmap needs the running application).
    static const QPixmap outside = flagPixmap(true, false);
    static const QPixmap shared = flagPixmap(false, true);
    static const QPixmap both = flagPixmap(true, true);
    if (flags.outsideSubnet && flags.sharedAddress())
        return both;
    return flags.outsideSubnet ? outside : shared;
}

} // namespace qvx
