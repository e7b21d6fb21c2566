// Start-up's memory in 2 MB pages, where the kernel offers them.
#pragma once

namespace molvane {

// Start-up fills tens of megabytes within a few dozen milliseconds: the
// decoded sounds and pictures and the decoders' own buffers. Fresh memory
// comes a 4 KB page at a time, each one a page fault at its first touch; on
// the development machine (a virtual machine) such a fault costs 12 to 26
// microseconds, more than the decoding itself. This makes the heap grow in
// one large step, keeps what is freed in it for the next block, and asks the
// kernel (madvise) for 2 MB pages there: 512 times fewer faults. Only the
// pages touched become resident, as before. Once per process; a hint only:
// where the kernel has no 2 MB pages to give, nothing changes.
void use_big_pages();

}  // namespace molvane
