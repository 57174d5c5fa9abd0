#include "canvas/CanvasAccessible.h"

#include "canvas/GLBBox.h"
#include "canvas/GluProjection.h"

QString CanvasAccessible::text(QAccessible::Text kind) const
{
    if (kind != QAccessible::Description)
        return QAccessibleWidget::text(kind);
    const auto *canvas = static_cast<const GLBBox *>(widget());
    return QString::fromStdString(
        canvasDescription(*canvas, canvas->paintedView, kGluProjection, canvas->devicePixelRatioF()));
}

QAccessibleInterface *CanvasAccessible::create(const QString &, QObject *object)
{
    auto *canvas = qobject_cast<GLBBox *>(object);
    return canvas ? new CanvasAccessible(canvas) : nullptr;
}
