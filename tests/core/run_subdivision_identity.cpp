// The kernel's bit-identity table without Qt, for builds that have none (WebAssembly under
// Node). Prints each failure and exits non-zero on any.
#include "SubdivisionIdentity.h"

#include "core/ForkJoin.h"

#include <cstdio>
#include <thread>

using namespace bezier;

int main()
{
    std::string covered;
    for (const auto &[path, name] : kVectorPaths)
        if (vectorPathSupported(path))
            covered += (covered.empty() ? "" : ", ") + std::string(name);
    std::printf("vector paths: %s\n", covered.c_str());
    int failures = 0;
#ifdef __EMSCRIPTEN_PTHREADS__
    // The table's large levels are split on threads only where one starts and there are cores.
    std::array<pthread_t, 2> threads{};
    bezier::forkJoin(2, [&](std::size_t worker) { threads[worker] = pthread_self(); });
    const bool split = !pthread_equal(threads[0], threads[1]) && std::thread::hardware_concurrency() > 1;
    std::printf("levels split on threads: %s\n", split ? "yes" : "no");
    failures += split ? 0 : 1;
#endif
    const std::vector<IdentityCase> cases = identityCases();
    for (const IdentityCase &identityCase : cases) {
        const std::string failure = identityFailure(identityCase);
        if (!failure.empty()) {
            std::printf("FAIL: %s: %s\n", identityCase.name.c_str(), failure.c_str());
            ++failures;
        }
    }
    for (const InfluenceCase &influenceCase : influenceCases()) {
        const std::string failure = influenceFailure(influenceCase, std::random_device{}());
        if (!failure.empty()) {
            std::printf("FAIL: influence, %s: %s\n", influenceCase.name.c_str(), failure.c_str());
            ++failures;
        }
    }
    std::printf("%zu cases and %zu drags, %d failed\n", cases.size(), influenceCases().size(), failures);
    return failures == 0 ? 0 : 1;
}
