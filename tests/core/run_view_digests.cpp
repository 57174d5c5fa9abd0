// The twins of the view arithmetic against the digests the desktop recorded from GL and GLU, for
// builds without them (WebAssembly under Node). Exits non-zero on any difference.
#include "ViewDigest.h"

#include <cstdio>

using namespace bezier;

int main()
{
    int failures = 0;
    for (double ratio : {1.0, 1.25, 1.5, 1.75, 2.0})
        for (int zoomSlider : {50, 0}) {
            const int width = devicePixel(510, ratio);
            const int height = devicePixel(502, ratio);
            const float zoom = static_cast<float>(zoomSlider * 0.025);
            // The rotation as the dial's slot stores it: 360 is 0.
            const auto twin = [&](int dial) {
                return viewTransformOf(width, height, canvasModelview(0, 0, zoom, 0, 0, static_cast<float>(dial % 360)),
                                       canvasProjection());
            };
            const std::uint64_t digest = viewDigest(twin, kTwinProjection, ratio);
            const bool same = recordedDigest(VIEW_DIGESTS, ratio, zoomSlider) == digest;
            std::printf("ratio %g, zoom slider %d: %s %s\n", ratio, zoomSlider, hexOf(digest).c_str(),
                        same ? "as recorded" : "DIFFERS from the record");
            failures += same ? 0 : 1;
        }
    return failures == 0 ? 0 : 1;
}
