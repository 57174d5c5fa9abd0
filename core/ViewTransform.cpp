// Twins of what Mesa's fixed-function matrix stack and GLU compute. Every expression keeps the
// operands, the precision and the order of the original, so the results are the same bits; the
// library is built without contraction, as they are on x86-64.
#include "core/ViewTransform.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace bezier {

namespace {

float &at(MatrixF &m, int row, int column)
{
    return m[column * 4 + row];
}

float at(const MatrixF &m, int row, int column)
{
    return m[column * 4 + row];
}

// m = m * b for matrices whose last row is (0, 0, 0, 1): the driver's product for every
// matrix these views make.
void multiplyAffine(MatrixF &m, const MatrixF &b)
{
    const MatrixF a = m;
    for (int i = 0; i < 3; ++i) {
        const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
        at(m, i, 0) = ai0 * at(b, 0, 0) + ai1 * at(b, 1, 0) + ai2 * at(b, 2, 0);
        at(m, i, 1) = ai0 * at(b, 0, 1) + ai1 * at(b, 1, 1) + ai2 * at(b, 2, 1);
        at(m, i, 2) = ai0 * at(b, 0, 2) + ai1 * at(b, 1, 2) + ai2 * at(b, 2, 2);
        at(m, i, 3) = ai0 * at(b, 0, 3) + ai1 * at(b, 1, 3) + ai2 * at(b, 2, 3) + ai3;
    }
    at(m, 3, 0) = 0.0f;
    at(m, 3, 1) = 0.0f;
    at(m, 3, 2) = 0.0f;
    at(m, 3, 3) = 1.0f;
}

// out = matrix * in, a column vector.
std::array<double, 4> transformed(const std::array<double, 16> &matrix, const std::array<double, 4> &in)
{
    std::array<double, 4> out;
    for (int i = 0; i < 4; ++i)
        out[i] = in[0] * matrix[0 * 4 + i] + in[1] * matrix[1 * 4 + i] + in[2] * matrix[2 * 4 + i]
                 + in[3] * matrix[3 * 4 + i];
    return out;
}

// a * b in GLU's row-by-row loop (which, for column-major matrices, is b applied after a).
std::array<double, 16> multiplied(const std::array<double, 16> &a, const std::array<double, 16> &b)
{
    std::array<double, 16> r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i * 4 + j] = a[i * 4 + 0] * b[0 * 4 + j] + a[i * 4 + 1] * b[1 * 4 + j] + a[i * 4 + 2] * b[2 * 4 + j]
                           + a[i * 4 + 3] * b[3 * 4 + j];
    return r;
}

// The driver takes sinf and cosf of the angle, converted to radians in double and then to
// float. The C libraries' sinf and cosf differ in their last bits (glibc's and a correctly
// rounded one for 13 degrees, say), so this is glibc's method: reduction by a multiple of pi/2
// and polynomials in double. Its variants with and without fused multiply-adds agree on every
// whole degree. Valid for |radians| < 120, which holds every angle the slots give (under 360).
// Method and coefficients: Arm Optimized Routines, math/sinf.c and sincosf.h (MIT licence).
struct SineCosinePolynomials
{
    double c0, c1, c2, c3, c4;
    double s1, s2, s3;
};
// The second set gives -cos, for quadrants 2 and 3.
constexpr SineCosinePolynomials kPolynomials[2] = {
    {0x1p0, -0x1.ffffffd0c621cp-2, 0x1.55553e1068f19p-5, -0x1.6c087e89a359dp-10, 0x1.99343027bf8c3p-16,
     -0x1.555545995a603p-3, 0x1.1107605230bc4p-7, -0x1.994eb3774cf24p-13},
    {-0x1p0, 0x1.ffffffd0c621cp-2, -0x1.55553e1068f19p-5, 0x1.6c087e89a359dp-10, -0x1.99343027bf8c3p-16,
     -0x1.555545995a603p-3, 0x1.1107605230bc4p-7, -0x1.994eb3774cf24p-13}};
constexpr double kQuadrantSigns[4] = {1.0, -1.0, -1.0, 1.0};
constexpr double kTwoOverPiScaled = 0x1.45F306DC9C883p+23; // 2 / pi * 2^24
constexpr double kHalfPi = 0x1.921FB54442D18p0;

// The sign, exponent and first mantissa bits glibc compares magnitudes by.
std::uint32_t magnitudeTop(float x)
{
    std::uint32_t bits; // Emscripten's library has no std::bit_cast yet
    std::memcpy(&bits, &x, sizeof bits);
    return (bits >> 20) & 0x7ff;
}

// The sine polynomial at even `quadrant`, the cosine one at odd.
float polynomial(double x, double x2, const SineCosinePolynomials &p, int quadrant)
{
    if ((quadrant & 1) == 0) {
        const double x3 = x * x2;
        const double s1 = p.s2 + x2 * p.s3;
        const double x7 = x3 * x2;
        const double s = x + x3 * p.s1;
        return static_cast<float>(s + x7 * s1);
    }
    const double x4 = x2 * x2;
    const double c2 = p.c3 + x2 * p.c4;
    const double c1 = p.c0 + x2 * p.c1;
    const double x6 = x4 * x2;
    const double c = c1 + x4 * p.c2;
    return static_cast<float>(c + x6 * c2);
}

// sinf(y), or cosf(y) when `quadrantShift` is 1.
float sineOrCosine(float y, int quadrantShift)
{
    constexpr float kQuarterPi = 0x1.921FB6p-1f;
    double x = y;
    if (magnitudeTop(y) < magnitudeTop(kQuarterPi)) {
        if (magnitudeTop(y) < magnitudeTop(0x1p-12f))
            return quadrantShift ? 1.0f : y;
        return polynomial(x, x * x, kPolynomials[0], quadrantShift);
    }
    const double scaled = x * kTwoOverPiScaled;
    const int quadrant = (static_cast<std::int32_t>(scaled) + 0x800000) >> 24;
    x = x - quadrant * kHalfPi;
    const double sign = kQuadrantSigns[quadrant & 3];
    return polynomial(x * sign, x * x, kPolynomials[(quadrant & 2) ? 1 : 0], quadrant ^ quadrantShift);
}

} // namespace

std::optional<std::array<double, 16>> inverted(const std::array<double, 16> &m)
{
    std::array<double, 16> inv;
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14]
             + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14]
             - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13]
             + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13]
              - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14]
             - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14]
             + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13]
             - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13]
              + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14]
             + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14]
             - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13]
              + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13]
              - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10]
             - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10]
             + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9]
              - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9]
              + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    double det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0)
        return std::nullopt;
    det = 1.0 / det;
    for (double &value : inv)
        value = value * det;
    return inv;
}

MatrixF identityMatrix()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

void multiplyOrtho(MatrixF &m, const OrthoBox &box)
{
    const auto left = static_cast<float>(box.left), right = static_cast<float>(box.right);
    const auto bottom = static_cast<float>(box.bottom), top = static_cast<float>(box.top);
    const auto nearval = static_cast<float>(box.nearDepth), farval = static_cast<float>(box.farDepth);
    MatrixF ortho{};
    at(ortho, 0, 0) = 2.0f / (right - left);
    at(ortho, 0, 3) = -(right + left) / (right - left);
    at(ortho, 1, 1) = 2.0f / (top - bottom);
    at(ortho, 1, 3) = -(top + bottom) / (top - bottom);
    at(ortho, 2, 2) = -2.0f / (farval - nearval);
    at(ortho, 2, 3) = -(farval + nearval) / (farval - nearval);
    at(ortho, 3, 3) = 1.0f;
    multiplyAffine(m, ortho);
}

void translateMatrix(MatrixF &m, float x, float y, float z)
{
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

void scaleMatrix(MatrixF &m, float x, float y, float z)
{
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
}

void rotateMatrix(MatrixF &m, float degrees, Axis axis)
{
    if (degrees == 0.0f)
        return;
    const auto radians = static_cast<float>(degrees * std::numbers::pi / 180.0);
    const float s = sineOrCosine(radians, 0);
    const float c = sineOrCosine(radians, 1);
    // The plane the rotation turns: the two axes other than `axis`, in cyclic order.
    const int first = (static_cast<int>(axis) + 1) % 3;
    const int second = (static_cast<int>(axis) + 2) % 3;
    MatrixF r = identityMatrix();
    at(r, first, first) = c;
    at(r, second, second) = c;
    at(r, first, second) = -s;
    at(r, second, first) = s;
    multiplyAffine(m, r);
}

MatrixF canvasProjection()
{
    MatrixF m = identityMatrix();
    multiplyOrtho(m, kCanvasOrtho);
    return m;
}

MatrixF canvasModelview(float xTrans, float yTrans, float zoom, float xRot, float yRot, float zRot)
{
    MatrixF m = identityMatrix();
    translateMatrix(m, xTrans, yTrans, -kCanvasEyeDistance);
    scaleMatrix(m, zoom, zoom, zoom);
    rotateMatrix(m, xRot, Axis::X);
    rotateMatrix(m, yRot, Axis::Y);
    rotateMatrix(m, zRot, Axis::Z);
    return m;
}

MatrixF parameterProjection()
{
    MatrixF m = identityMatrix();
    multiplyOrtho(m, kParameterOrtho);
    return m;
}

MatrixF parameterModelview()
{
    MatrixF m = identityMatrix();
    translateMatrix(m, kParameterTranslation[0], kParameterTranslation[1], kParameterTranslation[2]);
    scaleMatrix(m, kParameterScale[0], kParameterScale[1], kParameterScale[2]);
    return m;
}

MatrixF clipTransformOf(const ViewTransform &view)
{
    return productOf(toSinglePrecision(view.projection), toSinglePrecision(view.modelview));
}

MatrixF productOf(const MatrixF &a, const MatrixF &b)
{
    MatrixF p{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            p[column * 4 + row] = sum;
        }
    return p;
}

MatrixF toSinglePrecision(const std::array<double, 16> &m)
{
    MatrixF f{};
    for (int i = 0; i < 16; ++i)
        f[i] = static_cast<float>(m[i]);
    return f;
}

std::array<float, 9> normalMatrixOf(const std::array<double, 16> &modelview)
{
    // The transpose of the inverse's upper 3 x 3, as the modelview is affine.
    std::array<float, 9> n{};
    if (const std::optional<std::array<double, 16>> inverse = inverted(modelview))
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                n[column * 3 + row] = static_cast<float>((*inverse)[row * 4 + column]);
    return n;
}

ViewTransform viewTransformOf(int width, int height, const MatrixF &modelview, const MatrixF &projection)
{
    ViewTransform view;
    view.viewport = {0, 0, width, height};
    for (int i = 0; i < 16; ++i) {
        view.modelview[i] = modelview[i];
        view.projection[i] = projection[i];
    }
    return view;
}

std::optional<Point3> projectPoint(const ViewTransform &view, const Point3 &p)
{
    const std::array<double, 4> eye = transformed(view.modelview, {p.x, p.y, p.z, 1.0});
    std::array<double, 4> clip = transformed(view.projection, eye);
    if (clip[3] == 0.0)
        return std::nullopt;
    for (int i = 0; i < 3; ++i) {
        clip[i] /= clip[3];
        clip[i] = clip[i] * 0.5 + 0.5;
    }
    return Point3{clip[0] * view.viewport[2] + view.viewport[0], clip[1] * view.viewport[3] + view.viewport[1],
                  clip[2]};
}

std::optional<Point3> unprojectPoint(const ViewTransform &view, double wx, double wy, double wz)
{
    const std::optional<std::array<double, 16>> inverse = inverted(multiplied(view.modelview, view.projection));
    if (!inverse)
        return std::nullopt;
    std::array<double, 4> in{wx, wy, wz, 1.0};
    in[0] = (in[0] - view.viewport[0]) / view.viewport[2];
    in[1] = (in[1] - view.viewport[1]) / view.viewport[3];
    for (int i = 0; i < 3; ++i)
        in[i] = in[i] * 2 - 1;
    std::array<double, 4> out = transformed(*inverse, in);
    if (out[3] == 0.0)
        return std::nullopt;
    return Point3{out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

int devicePixel(double position, double pixelRatio)
{
    const double device = position * pixelRatio;
    return static_cast<int>(device + std::copysign(0.5, device));
}

} // namespace bezier
