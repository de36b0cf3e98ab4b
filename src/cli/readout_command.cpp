// `cantora-cli readout FILE`: the note readout the desktop program shows on a
// right-click, for a region of the imported track.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "cli/region_options.h"
#include "cli/track_io.h"
#include "tuning/pitch_readout.h"

namespace cli {

namespace {

int runReadout(const Args& args) {
  std::string input;
  RegionOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (takeRegionOption(args, i, options, error)) {
      if (!error.empty()) {
        fail("readout: " + error);
        return EXIT_USAGE;
      }
    } else if (!args[i].empty() && args[i][0] == '-') {
      fail("readout: unknown option '" + args[i] + "' (try cantora-cli readout --help)");
      return EXIT_USAGE;
    } else if (input.empty()) {
      input = args[i];
    } else {
      fail("readout takes one FILE (try cantora-cli readout --help)");
      return EXIT_USAGE;
    }
  }
  if (input.empty()) {
    fail("usage: cantora-cli readout FILE [--start FRAME] [--length FRAMES] [--channel 1|2]");
    return EXIT_USAGE;
  }

  audiofile::LoadedTrack track;
  if (const int status = importTrack(input, track); status != 0) return status;
  tuning::TrackRegion region;
  std::string error;
  if (!resolveRegion(options, track, region, error)) {
    fail("readout: " + error);
    return EXIT_USAGE;
  }
  const tuning::TrackSamples samples{track.samples.get(), static_cast<int>(track.channels),
                                     track.frameCount};
  const tuning::ReadoutText text = tuning::PitchReadout(samples, region);
  std::printf("%s\n", text.chars.data());
  return std::fflush(stdout) == 0 ? 0 : fail("could not write the output");
}

const CliCommand READOUT{
    "readout", "readout FILE [options]    the note and cents of a region, as on a right-click",
    "usage: cantora-cli readout FILE [--start FRAME] [--length FRAMES] [--channel 1|2]\n\n"
    "Imports FILE as the desktop program opens a track and prints the note readout\n"
    "it shows when the selected region is right-clicked: the nearest note and its\n"
    "distance in cents (\"A4 +12 cents \", \"C#4/Db4 -1 cent \"), or \" ??? \" when\n"
    "no pitch is found. The text is printed as the program shows it, blanks\n"
    "included, followed by a newline. At most the region's first second is\n"
    "analysed; pitches from about 70 to 700 Hz are found.\n\n"
    "options:\n"
    "  --start FRAME     first frame of the region (default 0)\n"
    "  --length FRAMES   frames in the region (default: to the end of the track)\n"
    "  --channel 1|2     the channel to read on a stereo track (default 1)\n\n"
    "Frames count at 44100 Hz, the rate every track is imported at. Exit status 0\n"
    "on success, 1 when the file cannot be imported, 2 on a usage error.\n",
    runReadout};

const CliRegistration registration(READOUT);

}  // namespace

}  // namespace cli
