// Fuzz target: the MPEG stream scan. The index it builds must describe frames
// that lie wholly inside the stream, in order and without overlap.
#include <cstring>
#include <memory>

#include "audiofile/mpeg_scan.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  std::unique_ptr<unsigned char[]> stream(new unsigned char[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(stream.get(), data, size);
  const unsigned char* end = stream.get() + size;
  audiofile::MpegScan scan;
  const std::uint32_t pages = scan.scan(stream.get(), static_cast<std::uint32_t>(size));
  if (pages == 0) {
    FUZZ_CHECK(scan.refusal().reason != audiofile::ImportReason::None);
    return 0;
  }
  FUZZ_CHECK(pages == scan.pageCount());
  FUZZ_CHECK(scan.frameCount() >= 2);
  FUZZ_CHECK(scan.frameCount() <= std::uint64_t{pages} * audiofile::MPEG_INDEX_PAGE_ENTRIES);
  FUZZ_CHECK(scan.channels() == 1 || scan.channels() == 2);
  FUZZ_CHECK(scan.rate() > 0);
  FUZZ_CHECK(scan.firstFrameOffset() < size);
  FUZZ_CHECK(scan.frameStart(0) == stream.get() + scan.firstFrameOffset());
  const unsigned char* previousEnd = stream.get();
  for (std::uint32_t i = 0; i < scan.frameCount(); ++i) {
    const unsigned char* start = scan.frameStart(i);
    const std::uint32_t length = scan.frameLength(i);
    FUZZ_CHECK(length > 0);
    FUZZ_CHECK(start >= previousEnd);
    FUZZ_CHECK(start < end && length <= static_cast<std::size_t>(end - start));
    previousEnd = start + length;
  }
  // Each frame holds at most 1152 sample frames.
  FUZZ_CHECK(scan.frames() <= std::uint64_t{scan.frameCount()} * 1152);
  return 0;
}
