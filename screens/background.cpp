#include "background.h"

#include <QPainter>
#include <QSvgRenderer>

// The resource lives in a static library: it is registered explicitly, outside any namespace.
static void registerBackgroundResource() { Q_INIT_RESOURCE(background); }

namespace hopscale {

QPixmap renderBackgroundPicture() {
    registerBackgroundResource();
    QSvgRenderer renderer(QStringLiteral(":/hopscale/background.svg"));
    if (!renderer.isValid()) return {};
    QPixmap picture(kBackgroundWidth, kBackgroundHeight);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, kBackgroundWidth, kBackgroundHeight));
    return picture;
}

}  // namespace hopscale
