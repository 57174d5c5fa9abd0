#include "core/WindowQuads.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace bezier {

namespace {

// A quad's four corners in strip order: two at its start, two at its end.
struct Quad
{
    WindowPoint start;
    float startOffsets[2][2];
    WindowPoint end;
    float endOffsets[2][2];
};

class StripWriter
{
public:
    explicit StripWriter(std::vector<float> &strip) : strip(strip), first(strip.size()) {}

    // A quad that begins where the last one ended, with the same corners, shares them.
    void add(const Quad &quad, bool sharesLastEnd)
    {
        const bool empty = strip.size() == first;
        if (!empty && sharesLastEnd) {
            corners(quad.end, quad.endOffsets);
            return;
        }
        if (!empty) {
            std::array<float, 3> last;
            std::copy(strip.end() - 3, strip.end(), last.begin());
            strip.insert(strip.end(), last.begin(), last.end());
            vertex(quad.start, quad.startOffsets[0]);
        }
        corners(quad.start, quad.startOffsets);
        corners(quad.end, quad.endOffsets);
    }

    std::size_t verticesAdded() const { return (strip.size() - first) / 3; }

private:
    void vertex(const WindowPoint &p, const float offset[2])
    {
        strip.insert(strip.end(), {p.x + offset[0], p.y + offset[1], p.z});
    }
    void corners(const WindowPoint &p, const float offsets[2][2])
    {
        vertex(p, offsets[0]);
        vertex(p, offsets[1]);
    }

    std::vector<float> &strip;
    std::size_t first;
};

} // namespace

WindowPoint windowPointOf(const MatrixF &transform, const float *p, float width, float height)
{
    const auto clip = [&](int row) {
        return transform[row] * p[0] + transform[4 + row] * p[1] + transform[8 + row] * p[2] + transform[12 + row];
    };
    const float w = clip(3);
    return {(clip(0) / w * 0.5f + 0.5f) * width, (clip(1) / w * 0.5f + 0.5f) * height, clip(2) / w};
}

void putWindowPoints(const MatrixF &transform, const float *positions, std::size_t count, float width, float height,
                     std::vector<WindowPoint> &out)
{
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = windowPointOf(transform, positions + 3 * i, width, height);
}

float halfLineWidth(float width, double pixelRatio)
{
    return static_cast<float>(std::max(width * pixelRatio, 1.0) / 2.0);
}

bool reachesPixelCentres(float from, float to)
{
    constexpr double kSnapMargin = 1.0 / 16;
    const double low = std::min<double>(from, to) - kSnapMargin - 0.5;
    const double high = std::max<double>(from, to) + kSnapMargin - 0.5;
    return std::floor(high) >= std::ceil(low);
}

std::size_t appendLineQuads(const WindowPoint *points, std::size_t count, LineKind kind, float halfWidth,
                            std::vector<float> &strip)
{
    StripWriter writer(strip);
    const float h = halfWidth;
    if (kind == LineKind::Points) {
        for (std::size_t i = 0; i < count; ++i)
            writer.add({points[i], {{-h, -h}, {-h, h}}, points[i], {{h, -h}, {h, h}}}, false);
        return writer.verticesAdded();
    }
    // A strip's segment shares the corners of the one before when that was drawn and is
    // widened the same way.
    bool lastAlongX = false;
    std::size_t lastDrawn = count;
    const std::size_t step = kind == LineKind::Segments ? 2 : 1;
    for (std::size_t i = 0; i + 1 < count; i += step) {
        const WindowPoint &a = points[i];
        const WindowPoint &b = points[i + 1];
        const bool alongX = std::fabs(b.x - a.x) >= std::fabs(b.y - a.y);
        if (!reachesPixelCentres(alongX ? a.x : a.y, alongX ? b.x : b.y))
            continue;
        const float dx = alongX ? 0.0f : h;
        const float dy = alongX ? h : 0.0f;
        writer.add({a, {{-dx, -dy}, {dx, dy}}, b, {{-dx, -dy}, {dx, dy}}},
                   kind == LineKind::Strip && lastDrawn + 1 == i && alongX == lastAlongX);
        lastAlongX = alongX;
        lastDrawn = i;
    }
    return writer.verticesAdded();
}

std::size_t appendDashedStrip(const WindowPoint *points, std::size_t count, float halfWidth, float dash, float gap,
                              float width, float height, std::vector<float> &strip)
{
    std::vector<WindowPoint> dashes;
    // Where along the pattern the next segment starts; in double, so that long strips still
    // advance by short steps.
    const double period = double(dash) + gap;
    double phase = 0.0;
    // Dashes only where they can be seen: each segment is cut to the viewport and a margin
    // wider than the line, the pattern carried across the rest in one step. Points far
    // outside the view would otherwise make millions of dashes nobody sees.
    const double margin = double(halfWidth) + 1.0;
    const double low[2] = {-margin, -margin};
    const double high[2] = {width + margin, height + margin};
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const WindowPoint &a = points[i];
        const WindowPoint &b = points[i + 1];
        const double length = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
        const auto at = [&](double along) {
            const double t = length > 0 ? along / length : 0.0;
            return WindowPoint{float(a.x + (b.x - a.x) * t), float(a.y + (b.y - a.y) * t),
                               float(a.z + (b.z - a.z) * t)};
        };
        // The part of the segment inside, as fractions of it (Liang and Barsky).
        double enter = 0.0, leave = 1.0;
        const double start[2] = {a.x, a.y};
        const double delta[2] = {double(b.x) - a.x, double(b.y) - a.y};
        for (int axis = 0; axis < 2; ++axis) {
            if (delta[axis] == 0.0) {
                if (start[axis] < low[axis] || start[axis] > high[axis])
                    enter = 1.0, leave = 0.0;
                continue;
            }
            double t0 = (low[axis] - start[axis]) / delta[axis];
            double t1 = (high[axis] - start[axis]) / delta[axis];
            if (t0 > t1)
                std::swap(t0, t1);
            enter = std::max(enter, t0);
            leave = std::min(leave, t1);
        }
        if (!std::isfinite(length) || enter >= leave) {
            phase = std::isfinite(length) ? std::fmod(phase + length, period) : 0.0;
            continue;
        }
        double along = enter * length;
        phase = std::fmod(phase + along, period);
        const double visibleEnd = leave * length;
        while (along < visibleEnd) {
            const bool on = phase < dash;
            const double step = std::min((on ? dash : period) - phase, visibleEnd - along);
            if (on) {
                dashes.push_back(at(along));
                dashes.push_back(at(along + step));
            }
            along += step;
            phase = std::fmod(phase + step, period);
        }
        phase = std::fmod(phase + (length - visibleEnd), period);
    }
    return appendLineQuads(dashes.data(), dashes.size(), LineKind::Segments, halfWidth, strip);
}

namespace {

// `size` logical pixels in whole device pixels, at least `least`.
float wholePixels(float size, double pixelRatio, float least)
{
    return static_cast<float>(std::max<double>(least, std::round(size * pixelRatio)));
}

// The four bars of a frame `thickness` wide inside the rectangle's edge.
void appendFrame(std::vector<WindowRect> &rects, float left, float bottom, float right, float top, float thickness,
                 Rgb color)
{
    rects.push_back({left, bottom, right, bottom + thickness, color});
    rects.push_back({left, top - thickness, right, top, color});
    rects.push_back({left, bottom, left + thickness, top, color});
    rects.push_back({right - thickness, bottom, right, top, color});
}

} // namespace

std::vector<WindowRect> keyboardFocusMarks(int width, int height, double cursorX, double cursorY, double pixelRatio)
{
    const float h = static_cast<float>(height);
    std::vector<WindowRect> marks;
    appendFrame(marks, 0, 0, static_cast<float>(width), h, wholePixels(kFocusFrameWidth, pixelRatio, 2.0f),
                kFocusFrameColor);
    // The cursor's device pixel, its row counted from the bottom.
    const float x = static_cast<float>(devicePixel(cursorX, pixelRatio));
    const float y = h - 1 - static_cast<float>(devicePixel(cursorY, pixelRatio));
    const float arm = wholePixels(kCursorArm, pixelRatio, 1.0f);
    const float gap = wholePixels(kCursorGap, pixelRatio, 1.0f);
    const float thickness = wholePixels(kCursorLineWidth, pixelRatio, 1.0f);
    // Centred on the pixel where the thickness is odd, one pixel past its centre where even.
    const float across = std::floor((thickness - 1) / 2);
    marks.push_back({x + 1 + gap, y - across, x + 1 + gap + arm, y - across + thickness, kCursorColor});
    marks.push_back({x - gap - arm, y - across, x - gap, y - across + thickness, kCursorColor});
    marks.push_back({x - across, y + 1 + gap, x - across + thickness, y + 1 + gap + arm, kCursorColor});
    marks.push_back({x - across, y - gap - arm, x - across + thickness, y - gap, kCursorColor});
    return marks;
}

std::vector<WindowRect> controlPointOutlines(const std::vector<WindowPoint> &points, double pixelRatio)
{
    const float half = static_cast<float>(kControlOutlineHalfSize * pixelRatio);
    const float thickness = wholePixels(kControlOutlineWidth, pixelRatio, 1.0f);
    std::vector<WindowRect> outlines;
    for (const WindowPoint &p : points)
        appendFrame(outlines, p.x - half, p.y - half, p.x + half, p.y + half, thickness, kControlOutlineColor);
    return outlines;
}

std::size_t appendRectangle(const WindowRect &rect, float z, std::vector<float> &strip)
{
    const WindowPoint bottomLeft{rect.left, rect.bottom, z};
    const WindowPoint bottomRight{rect.right, rect.bottom, z};
    const float height = rect.top - rect.bottom;
    StripWriter writer(strip);
    writer.add({bottomLeft, {{0, 0}, {0, height}}, bottomRight, {{0, 0}, {0, height}}}, false);
    return writer.verticesAdded();
}

} // namespace bezier
