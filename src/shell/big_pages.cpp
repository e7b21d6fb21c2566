#include "shell/big_pages.hpp"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace molvane {

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::uintptr_t kBigPage = 2 * kMiB;

std::uintptr_t heap_end() { return reinterpret_cast<std::uintptr_t>(::sbrk(0)); }

}  // namespace

void use_big_pages() {
    static bool done = false;
    if (done) return;
    done = true;
    ::mallopt(M_ARENA_MAX, 1);                // the loading thread allocates from the same heap
    ::mallopt(M_MMAP_THRESHOLD, 32 * kMiB);   // large blocks too, not mappings of their own
    ::mallopt(M_TRIM_THRESHOLD, 256 * kMiB);  // what is freed stays for the next block
    ::mallopt(M_TOP_PAD, 64 * kMiB);          // the heap grows by 64 MB at once: address space, not memory
    std::uintptr_t start = heap_end();
    // A block larger than any free room at the top makes the heap grow now.
    void* volatile block = std::malloc(16 * kMiB);
    std::free(block);
    std::uintptr_t end = heap_end();
    std::uintptr_t first = (start + kBigPage - 1) & ~(kBigPage - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace molvane
