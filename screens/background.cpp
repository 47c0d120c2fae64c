#include "background.h"

#include <QPainter>
#include <QSvgRenderer>

// The resource lives in a static library: it is registered explicitly, outside any namespace.
static void registerBackgroundResource() { Q_INIT_RESOURCE(background); }

namespace hopscale {

QImage renderBackgroundImage() {
    registerBackgroundResource();
    QSvgRenderer renderer(QStringLiteral(":/hopscale/background.svg"));
    if (!renderer.isValid()) return {};
    QImage picture(kBackgroundWidth, kBackgroundHeight, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, kBackgroundWidth, kBackgroundHeight));
    return picture;
}

QPixmap renderBackgroundPicture() {
    const QImage image = renderBackgroundImage();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

}  // namespace hopscale
