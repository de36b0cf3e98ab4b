#include "cli/region_options.h"

namespace cli {

bool takeOptionValue(const Args& args, std::size_t& i, const std::string& name, std::string& value,
                     std::string& error) {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) {
      error = name + " needs a value";
      return true;
    }
    value = args[++i];
    return true;
  }
  if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
    value = a.substr(name.size() + 1);
    return true;
  }
  return false;
}

std::string takePositional(const std::string& arg, std::string& slot, const std::string& what) {
  if (!arg.empty() && arg[0] == '-') return "unknown option '" + arg + "'";
  if (!slot.empty()) return "takes one " + what;
  slot = arg;
  return {};
}

bool takeRegionOption(const Args& args, std::size_t& i, RegionOptions& options,
                      std::string& error) {
  std::string value;
  unsigned long long number = 0;
  if (takeOptionValue(args, i, "--start", value, error)) {
    if (error.empty() && !parseUnsigned(value, number))
      error = "--start must be a frame number (0 or more), not '" + value + "'";
    options.start = number;
    return true;
  }
  if (takeOptionValue(args, i, "--length", value, error)) {
    if (error.empty() && (!parseUnsigned(value, number) || number == 0))
      error = "--length must be a number of frames (1 or more), not '" + value + "'";
    options.length = number;
    return true;
  }
  if (takeOptionValue(args, i, "--channel", value, error)) {
    if (error.empty() && value != "1" && value != "2")
      error = "--channel must be 1 or 2, not '" + value + "'";
    options.channel = value == "2" ? 2 : 1;
    return true;
  }
  return false;
}

bool resolveRegion(const RegionOptions& options, const audiofile::LoadedTrack& track,
                   tuning::TrackRegion& region, std::string& error) {
  const std::uint64_t frames = track.frameCount;
  const std::uint64_t start = options.start.value_or(0);
  if (start >= frames) {
    error = "--start " + std::to_string(start) + " is not within the track (" +
            std::to_string(frames) + " frames)";
    return false;
  }
  const std::uint64_t length = options.length.value_or(frames - start);
  if (length > frames - start) {
    error = "the region of " + std::to_string(length) + " frames from " + std::to_string(start) +
            " runs past the end of the track (" + std::to_string(frames) + " frames)";
    return false;
  }
  const int channel = options.channel.value_or(1);
  if (channel > static_cast<int>(track.channels)) {
    error = "--channel 2: the track has one channel";
    return false;
  }
  region.selStart = static_cast<std::int64_t>(start);
  region.selEnd = static_cast<std::int64_t>(start + length);
  region.channel = channel;
  return true;
}

}  // namespace cli
