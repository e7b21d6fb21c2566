// The start-up benchmark's mark: when MOLVANE_BENCH_FIRST_FRAME names a file,
// the first frame shown writes the steady clock's reading (CLOCK_MONOTONIC,
// in nanoseconds) there and ends the program. Players never set it.
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "media/internal.hpp"

namespace media::detail {

void mark_first_frame() {
    static const char* mark = std::getenv("MOLVANE_BENCH_FIRST_FRAME");
    if (!mark || !*mark) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (std::FILE* out = std::fopen(mark, "w")) {
        std::fprintf(out, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fclose(out);
    }
    std::_Exit(0);
}

}  // namespace media::detail
