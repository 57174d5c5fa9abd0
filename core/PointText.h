#pragma once

#include "geometry/Polyline.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bezier {

// Points leave the editor as text (CSV, the page's address) and come back from
// anyone's text, so one reader serves pastes and links on both front ends. Its
// limits lie far above what the editor holds interactively, and below what
// every browser keeps in an address.
constexpr std::size_t kMaxExchangedPoints = 10000;
constexpr std::size_t kMaxExchangedBytes = std::size_t {512} << 10;

// The shortest decimal text that reads back to the same double ("0.1",
// "-2.5e-07"), whatever the C locale.
std::string exactDecimal(double value);
// A plain decimal number, optionally signed and with an exponent; no hex,
// infinities, NaN or spaces. Nothing where the text is not one or its value
// overflows.
std::optional<double> readDecimal(std::string_view text);

// "x,y" and a line per point, each coordinate exact.
std::string pointsCsv(const Polyline &points);

// What a reader found: the points (z = 0), or the sentence that says which line
// is wrong and why, with nothing read.
struct PointsReading {
    Polyline points;
    std::string error;
};
// One point a line, two numbers separated by a comma, semicolon, tab or spaces,
// with an optional header line and blank lines; or a JSON array of [x, y] pairs
// or {"x": .., "y": ..} objects. Each coordinate within kCoordinateLimit, at
// most kMaxExchangedPoints points in at most kMaxExchangedBytes.
PointsReading readPoints(std::string_view text);

// What the page's address keeps of a curve: the points, the selection and the
// view (the sliders' and the dial's values, the check boxes). The look is the
// reader's own, not the curve's.
struct CurveLink {
    Polyline points;
    int selectedPoint = -1;
    int drawLevel = 5;
    int zoomValue = 50;
    int rotation = 0;
    bool showConvexHull = false;
    bool showSubDivPoints = false;
    friend bool operator==(const CurveLink &, const CurveLink &) = default;
};
// The dialog's ranges, which a link's values must lie in.
constexpr int kMaxDrawLevel = 8;
constexpr int kMaxZoomValue = 500;
constexpr int kRotationTurn = 360;

// The address's fragment, without '#':
//   "v1&level=5&zoom=50&rotate=0&hull=0&subdiv=0&selected=-1&points=0.25,-0.1;0.5,0"
std::string linkFragment(const CurveLink &link);
// The same fragment, each point's text kept between calls and written again only where the point
// changed: the page's address follows every edit of curves of thousands of points.
class LinkWriter
{
public:
    std::string fragment(const CurveLink &link);

private:
    Polyline written;
    std::vector<std::string> pointTexts;
};

// A fragment read back; a malformed one gives a sentence saying why, and no
// curve.
struct LinkReading {
    std::optional<CurveLink> link;
    std::string error;
};
LinkReading readLink(std::string_view fragment);

} // namespace bezier
