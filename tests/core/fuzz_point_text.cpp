// Anyone's text through the readers of pastes and links: no crash, no hang, bounded memory, and
// whatever they accept comes back bit for bit from what the editor writes of it.
#include "core/PointText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace bezier;

namespace {

bool sameBits(const Polyline &a, const Polyline &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Point3)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const PointsReading pasted = readPoints(text);
    if (pasted.error.empty() && !sameBits(readPoints(pointsCsv(pasted.points)).points, pasted.points))
        std::abort();
    const LinkReading linked = readLink(text);
    if (linked.link) {
        const LinkReading again = readLink(linkFragment(*linked.link));
        if (!again.link || !sameBits(again.link->points, linked.link->points) || !(*again.link == *linked.link))
            std::abort();
    }
    return 0;
}
