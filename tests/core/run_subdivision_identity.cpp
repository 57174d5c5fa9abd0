// The kernel's bit-identity table without Qt, for builds that have none (WebAssembly under
// Node). Prints each failure and exits non-zero on any.
#include "SubdivisionIdentity.h"

#include <cstdio>

using namespace bezier;

int main()
{
    std::string covered;
    for (const auto &[path, name] : kVectorPaths)
        if (vectorPathSupported(path))
            covered += (covered.empty() ? "" : ", ") + std::string(name);
    std::printf("vector paths: %s\n", covered.c_str());
    int failures = 0;
    const std::vector<IdentityCase> cases = identityCases();
    for (const IdentityCase &identityCase : cases) {
        const std::string failure = identityFailure(identityCase);
        if (!failure.empty()) {
            std::printf("FAIL: %s: %s\n", identityCase.name.c_str(), failure.c_str());
            ++failures;
        }
    }
    std::printf("%zu cases, %d failed\n", cases.size(), failures);
    return failures == 0 ? 0 : 1;
}
