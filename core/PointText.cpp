#include "core/PointText.h"

#include "core/CanvasEditing.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bezier {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trimmed(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether text is [+-]digits[.digits][(e|E)[+-]digits], with a digit on one
// side of the point.
bool isPlainDecimal(std::string_view text)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == text.size();
}

std::string countLimitError()
{
    return "it holds more than " + std::to_string(kMaxExchangedPoints) + " points";
}

std::string lineError(std::size_t line, const std::string &reason)
{
    return "line " + std::to_string(line) + " " + reason;
}

std::string coordinateReason(const char *axis)
{
    return std::string(*axis == 'x' ? "has an " : "has a ") + axis + " that is not " + coordinateRangeText();
}

std::string coordinateError(std::size_t line, const char *axis)
{
    return lineError(line, coordinateReason(axis));
}

// A coordinate within the table's limits, or nothing.
std::optional<double> coordinate(std::string_view text)
{
    const std::optional<double> value = readDecimal(text);
    if (!value || !(std::fabs(*value) <= kCoordinateLimit))
        return std::nullopt;
    return value;
}

// A field of a delimited line, without the quotes a spreadsheet may put round
// it.
std::string_view unquoted(std::string_view field)
{
    field = trimmed(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = trimmed(field.substr(1, field.size() - 2));
    return field;
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    const char separator = line.find(';') != std::string_view::npos ? ';'
        : line.find(',') != std::string_view::npos                  ? ','
        : line.find('\t') != std::string_view::npos                 ? '\t'
                                                                    : ' ';
    if (separator == ' ') {
        for (std::size_t i = 0; (i = line.find_first_not_of(kBlanks, i)) != std::string_view::npos;) {
            const std::size_t end = std::min(line.find_first_of(kBlanks, i), line.size());
            fields.push_back(line.substr(i, end - i));
            i = end;
        }
        return fields;
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find(separator, start);
        fields.push_back(unquoted(line.substr(start, end - start)));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

PointsReading readDelimited(std::string_view text)
{
    PointsReading reading;
    bool headerAllowed = true;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        ++lineNumber;
        const std::string_view line = trimmed(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty())
            continue;
        const std::vector<std::string_view> fields = fieldsOf(line);
        const bool anyNumber
            = std::any_of(fields.begin(), fields.end(), [](std::string_view f) { return readDecimal(f).has_value(); });
        // A header names its columns: words, not numbers.
        const bool anyLetter
            = std::any_of(line.begin(), line.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
        if (headerAllowed && !anyNumber && anyLetter) {
            headerAllowed = false;
            continue;
        }
        headerAllowed = false;
        if (fields.size() != 2)
            return {{}, lineError(lineNumber, "does not hold two numbers")};
        const std::optional<double> x = coordinate(fields[0]), y = coordinate(fields[1]);
        if (!x)
            return {{}, coordinateError(lineNumber, "x")};
        if (!y)
            return {{}, coordinateError(lineNumber, "y")};
        if (reading.points.size() == kMaxExchangedPoints)
            return {{}, countLimitError()};
        reading.points.push_back({*x, *y, 0.0});
    }
    return reading;
}

// The JSON forms: a small reader of exactly what they allow.
class JsonPoints {
public:
    explicit JsonPoints(std::string_view text)
        : text(text)
    {
    }

    PointsReading read()
    {
        PointsReading reading;
        if (!take('['))
            return failure("does not start a list of points");
        if (take(']'))
            return atEnd() ? reading : failure("holds more after the list");
        do {
            if (reading.points.size() == kMaxExchangedPoints)
                return {{}, countLimitError()};
            std::optional<Point3> point = this->point();
            if (!point)
                return failure(reason);
            reading.points.push_back(*point);
        } while (take(','));
        if (!take(']'))
            return failure("does not continue the list with a comma or end it with ]");
        if (!atEnd())
            return failure("holds more after the list");
        return reading;
    }

private:
    std::optional<Point3> point()
    {
        std::optional<double> x, y;
        if (take('[')) {
            x = number("x");
            if (x && !take(','))
                return fail("does not separate x and y by a comma");
            if (x)
                y = number("y");
            if (y && !take(']'))
                return fail("does not end a point [x, y] with ]");
        } else if (take('{')) {
            do {
                const std::optional<std::string_view> key = this->key();
                if (!key || (*key != "x" && *key != "y"))
                    return fail("has a point whose keys are not \"x\" and \"y\"");
                std::optional<double> &slot = *key == "x" ? x : y;
                if (slot)
                    return fail("gives a point's " + std::string(*key) + " twice");
                if (!take(':'))
                    return fail("has no colon after a key");
                slot = number(*key == "x" ? "x" : "y");
                if (!slot)
                    return std::nullopt;
            } while (take(','));
            if (!take('}'))
                return fail("does not end a point {\"x\": .., \"y\": ..} with }");
            if (!x || !y)
                return fail("has a point without both \"x\" and \"y\"");
        } else {
            return fail("does not hold [x, y] or {\"x\": x, \"y\": y}");
        }
        if (!x || !y)
            return std::nullopt;
        return Point3 {*x, *y, 0.0};
    }

    std::optional<double> number(const char *axis)
    {
        skipBlanks();
        const std::size_t start = at;
        while (at < text.size()
            && (isDigit(text[at]) || std::string_view("+-.eE").find(text[at]) != std::string_view::npos))
            ++at;
        const std::optional<double> value = coordinate(text.substr(start, at - start));
        if (!value) {
            reason = coordinateReason(axis);
            errorAt = start;
        }
        return value;
    }

    std::optional<std::string_view> key()
    {
        if (!take('"'))
            return std::nullopt;
        const std::size_t end = text.find('"', at);
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = text.substr(at, end - at);
        at = end + 1;
        return key;
    }

    std::nullopt_t fail(std::string why)
    {
        reason = std::move(why);
        errorAt = at;
        return std::nullopt;
    }

    PointsReading failure(const std::string &why)
    {
        const std::size_t where = errorAt == std::string_view::npos ? at : errorAt;
        const std::size_t line
            = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + std::min(where, text.size()), '\n'));
        return {{}, lineError(line, why)};
    }

    void skipBlanks()
    {
        while (at < text.size() && std::string_view(" \t\r\n").find(text[at]) != std::string_view::npos)
            ++at;
    }

    bool take(char c)
    {
        skipBlanks();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }

    bool atEnd()
    {
        skipBlanks();
        return at == text.size();
    }

    std::string_view text;
    std::size_t at = 0;
    std::size_t errorAt = std::string_view::npos;
    std::string reason;
};

std::optional<int> readInteger(std::string_view text, int lowest, int highest)
{
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    const bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit))
        return std::nullopt;
    int value = 0;
    for (const char c : text)
        value = value * 10 + (c - '0');
    value = negative ? -value : value;
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

std::string exactDecimal(double value)
{
    char text[64];
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
#else
    // Where the library has no shortest form (the page's), the fewest of 15, 16 and 17
    // significant digits that read back: any 15-digit decimal survives the trip through a
    // double, so 15 digits with their trailing zeros dropped are the shortest text wherever
    // that has at most 15. The page's locale is always "C".
    for (int digits = 15;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (digits == 17 || std::strtod(text, nullptr) == value)
            return text;
    }
#endif
}

std::optional<double> readDecimal(std::string_view text)
{
    if (text.size() > 400 || !isPlainDecimal(text))
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
        return std::nullopt;
#else
    const std::string copy(text);
    value = std::strtod(copy.c_str(), nullptr);
#endif
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string pointsCsv(const Polyline &points)
{
    std::string csv = "x,y\n";
    for (const Point3 &p : points)
        csv += exactDecimal(p.x) + "," + exactDecimal(p.y) + "\n";
    return csv;
}

PointsReading readPoints(std::string_view text)
{
    if (text.size() > kMaxExchangedBytes)
        return {{}, "it is longer than " + std::to_string(kMaxExchangedBytes) + " bytes"};
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    PointsReading reading
        = first != std::string_view::npos && text[first] == '[' ? JsonPoints(text).read() : readDelimited(text);
    if (reading.error.empty() && reading.points.empty())
        reading.error = "it holds no points";
    return reading;
}

namespace {

std::string pointText(const Point3 &p)
{
    std::string text = exactDecimal(p.x);
    text += ',';
    text += exactDecimal(p.y);
    return text;
}

std::string fragmentOf(const CurveLink &link, const std::vector<std::string> &pointTexts)
{
    std::string fragment = "v1&level=" + std::to_string(link.drawLevel) + "&zoom=" + std::to_string(link.zoomValue)
                           + "&rotate=" + std::to_string(link.rotation) + "&hull=" + (link.showConvexHull ? "1" : "0")
                           + "&subdiv=" + (link.showSubDivPoints ? "1" : "0")
                           + "&selected=" + std::to_string(link.selectedPoint) + "&points=";
    std::size_t size = fragment.size();
    for (const std::string &text : pointTexts)
        size += text.size() + 1;
    fragment.reserve(size);
    for (std::size_t i = 0; i < pointTexts.size(); ++i) {
        if (i > 0)
            fragment += ';';
        fragment += pointTexts[i];
    }
    return fragment;
}

} // namespace

std::string linkFragment(const CurveLink &link)
{
    std::vector<std::string> texts;
    texts.reserve(link.points.size());
    for (const Point3 &p : link.points)
        texts.push_back(pointText(p));
    return fragmentOf(link, texts);
}

std::string LinkWriter::fragment(const CurveLink &link)
{
    const Polyline &points = link.points;
    pointTexts.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        // Bit for bit: -0 and 0 are written apart.
        if (i >= written.size() || std::memcmp(&points[i], &written[i], sizeof(Point3)) != 0)
            pointTexts[i] = pointText(points[i]);
    written = points;
    return fragmentOf(link, pointTexts);
}

namespace {

// The link's whole numbers, in the order of its keys, each within the dialog's range.
struct IntegerField {
    int lowest, highest;
    void (*set)(CurveLink &link, int value);
};
constexpr IntegerField kIntegerFields[] = {
    {0, kMaxDrawLevel, [](CurveLink &link, int value) { link.drawLevel = value; }},
    {0, kMaxZoomValue, [](CurveLink &link, int value) { link.zoomValue = value; }},
    {0, kRotationTurn - 1, [](CurveLink &link, int value) { link.rotation = value; }},
    {0, 1, [](CurveLink &link, int value) { link.showConvexHull = value == 1; }},
    {0, 1, [](CurveLink &link, int value) { link.showSubDivPoints = value == 1; }},
    {-1, static_cast<int>(kMaxExchangedPoints) - 1, [](CurveLink &link, int value) { link.selectedPoint = value; }},
};

} // namespace

LinkReading readLink(std::string_view fragment)
{
    if (fragment.size() > kMaxExchangedBytes)
        return {std::nullopt, "it is longer than " + std::to_string(kMaxExchangedBytes) + " characters"};
    CurveLink link;
    bool seen[7] = {};
    std::size_t start = 0;
    const auto nextField = [&]() -> std::string_view {
        const std::size_t end = std::min(fragment.find('&', start), fragment.size());
        const std::string_view field = fragment.substr(start, end - start);
        start = end + 1;
        return field;
    };
    if (nextField() != "v1")
        return {std::nullopt, "it is not a curve of this editor's version 1"};
    while (start <= fragment.size()) {
        const std::string_view field = nextField();
        const std::size_t equals = field.find('=');
        const std::string_view key = field.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1);
        static constexpr std::string_view kKeys[] = {"level", "zoom", "rotate", "hull", "subdiv", "selected", "points"};
        const std::size_t which
            = static_cast<std::size_t>(std::find(std::begin(kKeys), std::end(kKeys), key) - std::begin(kKeys));
        if (which == std::size(kKeys) || equals == std::string_view::npos)
            return {std::nullopt, "it holds an unknown part"};
        if (seen[which])
            return {std::nullopt, "it gives " + std::string(key) + " twice"};
        seen[which] = true;
        if (which < std::size(kIntegerFields)) {
            const IntegerField &integer = kIntegerFields[which];
            const std::optional<int> number = readInteger(value, integer.lowest, integer.highest);
            if (!number)
                return {std::nullopt, "its " + std::string(key) + " is out of range"};
            integer.set(link, *number);
            continue;
        }
        for (std::size_t from = 0; from < value.size();) {
            const std::size_t end = std::min(value.find(';', from), value.size());
            const std::string_view pair = value.substr(from, end - from);
            const std::size_t comma = pair.find(',');
            const std::optional<double> x = coordinate(pair.substr(0, comma));
            const std::optional<double> y
                = comma == std::string_view::npos ? std::nullopt : coordinate(pair.substr(comma + 1));
            if (!x || !y)
                return {std::nullopt,
                    "its point " + std::to_string(link.points.size() + 1) + " is not two numbers within the limits"};
            if (link.points.size() == kMaxExchangedPoints)
                return {std::nullopt, countLimitError()};
            link.points.push_back({*x, *y, 0.0});
            from = end + 1;
        }
    }
    if (!seen[6])
        return {std::nullopt, "it holds no points part"};
    if (link.selectedPoint >= static_cast<int>(link.points.size()))
        return {std::nullopt, "its selected point is not one of its points"};
    return {std::move(link), {}};
}

} // namespace bezier
