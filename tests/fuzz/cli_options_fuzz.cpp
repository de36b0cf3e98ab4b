// Fuzz target: the command line's region options and note list. The input is
// an argument list (arguments end at NUL or newline) whose first two bytes
// give the loaded track's length and channel count; a region that resolves
// must lie within that track.
#include <string>

#include "cli/note_list.h"
#include "cli/region_options.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  audiofile::LoadedTrack track;
  track.frameCount = data[0] * 1000u + data[0];
  track.channels = 1 + (data[1] & 1);
  cli::Args args(1);
  for (std::size_t i = 2; i < size; ++i) {
    if (data[i] == '\0' || data[i] == '\n')
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }

  cli::RegionOptions options;
  std::string error;
  for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
    const std::size_t at = i;
    if (cli::takeRegionOption(args, i, options, error)) {
      FUZZ_CHECK(i >= at && i < args.size());
    } else {
      FUZZ_CHECK(i == at);
      tuning::EngineParams params;
      std::string noteError;
      const bool notes = cli::parseNotes(args[i], params, noteError);
      FUZZ_CHECK(notes == noteError.empty());
    }
  }
  if (!error.empty()) return 0;
  tuning::TrackRegion region;
  if (cli::resolveRegion(options, track, region, error)) {
    FUZZ_CHECK(region.selStart >= 0 && region.selStart < region.selEnd);
    FUZZ_CHECK(static_cast<std::uint64_t>(region.selEnd) <= track.frameCount);
    FUZZ_CHECK(region.channel >= 1 && region.channel <= static_cast<int>(track.channels));
  } else {
    FUZZ_CHECK(!error.empty());
  }
  return 0;
}
