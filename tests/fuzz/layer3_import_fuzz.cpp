// Fuzz target: the Layer III decoder as the import drives it, through the
// track source from the scan to the last block (bare streams, and MPEG data
// in a WAV file when the input is RIFF).
#include "fuzz_check.h"
#include "import_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::importWholeTrack(data, size);
  return 0;
}
