// Large pages for a big buffer about to be filled from start to end (a whole
// track being decoded): the system then maps it in a few large steps instead
// of one page fault per 4 KiB, a noticeable part of loading a long file.
#pragma once

#include <cstddef>

namespace platform {

// Asks for large pages under the whole large-page-aligned part of the
// buffer; a hint only, without effect where the system has none to give.
void preferLargePages(void* buffer, std::size_t bytes);

}  // namespace platform
