#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"

#include <cstdio>
#include <cstdlib>

namespace platform::appcenter {

void MSACCrashes::generateTestCrash() {
    std::fputs("App Center: generating a test crash.\n", stderr);
    std::fflush(stderr);
    // A crash, not an exit: nothing is unwound and no exit handler runs.
    std::abort();
}

} // namespace platform::appcenter
