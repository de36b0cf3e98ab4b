// The options `readout` and `tune` share: the region of the track to work on
// (--start, --length, --channel), and the import of the track they work on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "audiofile/track_loader.h"
#include "cli/cli_command.h"
#include "tuning/track_samples.h"

namespace cli {

struct RegionOptions {
  std::optional<std::uint64_t> start;
  std::optional<std::uint64_t> length;
  std::optional<int> channel;
};

// Value of option `name` at args[i] ("--name VALUE" or "--name=VALUE"): sets
// `value`, advances i past what it used and returns true when args[i] is that
// option. A missing value leaves `error` set.
bool takeOptionValue(const Args& args, std::size_t& i, const std::string& name, std::string& value,
                     std::string& error);

// The last step of a command's argument loop: args[i] is either an option no
// earlier step took, or the one positional argument, which goes into `slot`.
// Empty when taken; otherwise the usage error ("takes one WHAT" for a second).
std::string takePositional(const std::string& arg, std::string& slot, const std::string& what);

// Takes --start, --length or --channel at args[i]; false when args[i] is none
// of them. A bad value leaves `error` set.
bool takeRegionOption(const Args& args, std::size_t& i, RegionOptions& options, std::string& error);

// The region on a loaded track: by default the whole track, channel 1. False
// with `error` set when the region does not lie within the track.
bool resolveRegion(const RegionOptions& options, const audiofile::LoadedTrack& track,
                   tuning::TrackRegion& region, std::string& error);

}  // namespace cli
