#pragma once

#include "geometry/Point3.h"

#include <array>
#include <optional>

namespace bezier {

// The views' transforms without GL. The desktop sets them with GL's matrix calls and reads
// them back from the driver; these twins compute the same bits in the same order (the driver's
// single-precision products, GLU's double-precision projection), for a front end with no GL
// matrix stack. Matrices are column-major, as GL keeps them.
using MatrixF = std::array<float, 16>;

// The viewport and matrices that map model space to window pixels (y up), as OpenGL
// reports them after a paint.
struct ViewTransform
{
    std::array<int, 4> viewport{};
    std::array<double, 16> modelview{};
    std::array<double, 16> projection{};

    int viewportHeight() const { return viewport[3]; }
};

// The box glOrtho maps to the unit cube.
struct OrthoBox
{
    double left;
    double right;
    double bottom;
    double top;
    double nearDepth;
    double farDepth;
};

// Both views show [-1, 1] x [-1, 1] whatever their aspect ratio.
constexpr OrthoBox kCanvasOrtho{-1.0, 1.0, -1.0, 1.0, 5.0, 15.0};
constexpr OrthoBox kParameterOrtho{-1.0, 1.0, -1.0, 1.0, 0.5, 5.0};
// The canvas's origin lies this far in front of the eye.
constexpr float kCanvasEyeDistance = 10.0f;
// The parameter view puts the unit square's corner near the lower left.
constexpr std::array<float, 3> kParameterTranslation{-0.8f, -0.8f, -4.0f};
constexpr std::array<float, 3> kParameterScale{1.7f, 1.6f, 1.6f};

MatrixF identityMatrix();

// m times the matrix of glOrtho(box), as the driver multiplies it.
void multiplyOrtho(MatrixF &m, const OrthoBox &box);
// glTranslatef, glScalef, and glRotatef about a positive unit axis, on m; a rotation by 0
// degrees leaves m untouched, as the driver skips it.
enum class Axis { X, Y, Z };
void translateMatrix(MatrixF &m, float x, float y, float z);
void scaleMatrix(MatrixF &m, float x, float y, float z);
void rotateMatrix(MatrixF &m, float degrees, Axis axis);

MatrixF canvasProjection();
// The canvas's modelview for its translation, zoom and rotations in degrees, in the order its
// paint applies them.
MatrixF canvasModelview(float xTrans, float yTrans, float zoom, float xRot, float yRot, float zRot);
MatrixF parameterProjection();
MatrixF parameterModelview();

// The inverse of a column-major matrix by cofactors, as GLU computes it; nothing when the
// determinant is exactly 0.
std::optional<std::array<double, 16>> inverted(const std::array<double, 16> &m);

// a * b of column-major matrices in single precision: projection times modelview, as a shader
// takes it.
MatrixF productOf(const MatrixF &a, const MatrixF &b);
MatrixF toSinglePrecision(const std::array<double, 16> &m);
// The view's projection times its modelview, in single precision as the driver multiplies.
MatrixF clipTransformOf(const ViewTransform &view);
// The inverse transpose of the modelview's upper 3 x 3, which turns normals; zero where the
// modelview is singular (zoom 0), where nothing has an area to light.
std::array<float, 9> normalMatrixOf(const std::array<double, 16> &modelview);

// The transform GL reports for these matrices over a viewport of width x height at (0, 0).
ViewTransform viewTransformOf(int width, int height, const MatrixF &modelview, const MatrixF &projection);

// gluProject and gluUnProject: window coordinates of a model point, and the model point at a
// window position and depth; nothing where GLU fails (w = 0, or a matrix it cannot invert).
std::optional<Point3> projectPoint(const ViewTransform &view, const Point3 &p);
std::optional<Point3> unprojectPoint(const ViewTransform &view, double wx, double wy, double wz);

// How a front end maps between model and window: the desktop through GLU, others through the
// twins above.
struct Projection
{
    std::optional<Point3> (*project)(const ViewTransform &view, const Point3 &p);
    std::optional<Point3> (*unproject)(const ViewTransform &view, double wx, double wy, double wz);
};
constexpr Projection kTwinProjection{projectPoint, unprojectPoint};

// The device pixel under a position in device-independent pixels, rounded half away from zero
// as Qt rounds it.
int devicePixel(double position, double pixelRatio);

} // namespace bezier
