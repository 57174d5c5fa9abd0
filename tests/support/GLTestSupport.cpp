#include "GLTestSupport.h"

#include "gl/GLWidgetSupport.h"

#include <cstdlib>

using namespace bezier;

namespace gltest {

namespace {

// glGenLists hands out the lowest free names, so the lists of a view lie far below this.
constexpr GLuint kHighestListNameChecked = 4096;

} // namespace

QImage lastFrame(QOpenGLWidget &widget)
{
    widget.makeCurrent();
    // The whole framebuffer, as the screen shows it, whatever viewport the view set.
    const QSize size = widget.size() * widget.devicePixelRatioF();
    QImage image(size, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    widget.doneCurrent();
    return image.mirrored();
}

QPoint pixelOf(const QImage &image, double x, double y, double sx, double sy, double tx, double ty)
{
    const double ndcX = x * sx + tx;
    const double ndcY = y * sy + ty;
    return {static_cast<int>((ndcX + 1.0) / 2.0 * image.width()),
            static_cast<int>((1.0 - ndcY) / 2.0 * image.height())};
}

bool sameColor(QColor actual, QColor expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
           && std::abs(actual.green() - expected.green()) <= tolerance
           && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

bool anyPixelNear(const QImage &image, QPoint centre, int radius, const std::function<bool(QColor)> &predicate)
{
    for (int y = centre.y() - radius; y <= centre.y() + radius; ++y)
        for (int x = centre.x() - radius; x <= centre.x() + radius; ++x)
            if (image.valid(x, y) && predicate(image.pixelColor(x, y)))
                return true;
    return false;
}

bool colorNear(const QImage &image, QPoint centre, int radius, QColor expected)
{
    return anyPixelNear(image, centre, radius, [&](QColor c) { return sameColor(c, expected); });
}

int countPixels(const QImage &image, const std::function<bool(QColor)> &predicate)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += predicate(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

std::set<unsigned> liveDisplayListNames(QOpenGLWidget &widget)
{
    widget.makeCurrent();
    std::set<unsigned> names;
    for (GLuint name = 1; name <= kHighestListNameChecked; ++name)
        if (glIsList(name))
            names.insert(name);
    widget.doneCurrent();
    return names;
}

int liveDisplayLists(QOpenGLWidget &widget)
{
    return static_cast<int>(liveDisplayListNames(widget).size());
}

unsigned errorAfterRepaint(QOpenGLWidget &widget)
{
    repaintNow(widget);
    widget.makeCurrent();
    const GLenum error = glGetError();
    widget.doneCurrent();
    return error;
}

} // namespace gltest
