#include "ViewDigest.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace bezier;

namespace {

// The shared editing session's pointer positions in the canvas, in device-independent pixels.
constexpr double kPointerPositions[][2] = {{80, 420}, {200, 60}, {330, 440}, {450, 90}, {260, 200}, {0, 0}, {509, 501}};

// FNV-1a over the bytes of each value.
struct Digest
{
    std::uint64_t value = 0xcbf29ce484222325ull;

    template <class T>
    void add(const T &item)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &item, sizeof(T));
        for (unsigned char byte : bytes)
            value = (value ^ byte) * 0x100000001b3ull;
    }

    void add(const std::optional<Point3> &p)
    {
        add(p.has_value());
        if (p)
            for (double coordinate : {p->x, p->y, p->z})
                add(coordinate);
    }
};

} // namespace

std::uint64_t viewDigest(const ViewAtDial &viewAt, const Projection &projection, double pixelRatio)
{
    Digest digest;
    for (int dial = 0; dial < kDialAngles; ++dial) {
        const ViewTransform view = viewAt(dial);
        for (const auto &[x, y] : kPointerPositions) {
            const int wx = devicePixel(x, pixelRatio);
            const int wy = view.viewportHeight() - devicePixel(y, pixelRatio) - 1;
            const std::optional<Point3> p = projection.unproject(view, wx, wy, 0.0);
            digest.add(p);
            if (p)
                digest.add(projection.project(view, Point3{p->x, p->y, 0.0}));
        }
    }
    return digest.value;
}

std::optional<std::uint64_t> recordedDigest(const std::string &path, double pixelRatio, int zoomSlider)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        double ratio = 0;
        int zoom = 0;
        std::string hex;
        if (line.empty() || line[0] == '#' || !(fields >> ratio >> zoom >> hex))
            continue;
        if (ratio == pixelRatio && zoom == zoomSlider)
            return std::stoull(hex, nullptr, 16);
    }
    return std::nullopt;
}

std::string hexOf(std::uint64_t digest)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest));
    return text;
}
