// `cantora-cli pitch FILE`: the pitch curve of a region, the analysis the
// desktop program draws over its panes: one CSV line per analysis hop, and a
// picture of the curve on its note grid as PNG.
#include <cmath>
#include <cstdio>
#include <string>

#include "app/pitch_plot.h"
#include "cli/cli_command.h"
#include "cli/png_image.h"
#include "cli/region_options.h"
#include "cli/staged_output.h"
#include "cli/track_io.h"
#include "tuning/note_names.h"
#include "tuning/pitch_curve_analysis.h"

namespace cli {

namespace {

constexpr const char* CSV_HEADER = "time_s,frequency_hz,note,cents,clarity\n";

struct PitchOptions {
  RegionOptions region;
  std::string input;
  std::string csv;
  std::string png;
};

// One CSV line: the hop's time, and for a voiced hop its frequency, the
// nearest note (halves away from zero) and the cents from it.
void appendLine(std::string& out, double seconds, const tuning::PitchEstimate& e) {
  char line[96];
  if (!e.voiced) {
    std::snprintf(line, sizeof line, "%.4f,,,,%.3f\n", seconds, e.clarity);
    out += line;
    return;
  }
  const double s = e.semitones;
  const double nearest = s >= 0.0 ? std::floor(s + 0.5) : std::ceil(s - 0.5);
  const std::string_view name = tuning::noteName(static_cast<int>(nearest) + tuning::NOTE_NAME_A4);
  std::snprintf(line, sizeof line, "%.4f,%.2f,%.*s,%+.1f,%.3f\n", seconds, tuning::semitonesToHz(s),
                static_cast<int>(name.size()), name.data(), (s - nearest) * 100.0, e.clarity);
  out += line;
}

int parse(const Args& args, PitchOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (takeRegionOption(args, i, options.region, error) ||
        takeOptionValue(args, i, "--csv", options.csv, error) ||
        takeOptionValue(args, i, "--png", options.png, error)) {
      if (!error.empty()) return fail("pitch: " + error), EXIT_USAGE;
      continue;
    }
    error = takePositional(args[i], options.input, "FILE");
    if (!error.empty())
      return fail("pitch: " + error + " (try cantora-cli pitch --help)"), EXIT_USAGE;
  }
  if (options.input.empty())
    return fail(
               "usage: cantora-cli pitch FILE [--start FRAME] [--length FRAMES] [--channel 1|2] "
               "[--csv OUT.csv] [--png OUT.png]"),
           EXIT_USAGE;
  if (!options.png.empty() && !pngAvailable())
    return fail("pitch: --png: this build of cantora-cli cannot write PNG files (use --csv)"),
           EXIT_USAGE;
  return 0;
}

int writePlot(const std::vector<tuning::PitchEstimate>& found, std::int64_t firstHop,
              const tuning::TrackRegion& region, const std::string& out) {
  std::vector<state::PitchPoint> points;
  points.reserve(found.size());
  for (const tuning::PitchEstimate& e : found) points.push_back({e.semitones, e.clarity, e.voiced});
  app::PitchPlot plot;
  std::vector<unsigned char> png;
  std::string error;
  if (!app::renderPitchPlot(points, static_cast<std::uint32_t>(firstHop),
                            static_cast<std::uint64_t>(region.selStart),
                            static_cast<std::uint64_t>(region.selEnd - region.selStart),
                            app::PITCH_PLOT_WIDTH, app::PITCH_PLOT_HEIGHT, plot))
    return fail(out + ": out of memory for the picture");
  if (!encodePng(plot.pixels.data(), plot.width, plot.height, png, error) ||
      !writeWholeFile(out, {reinterpret_cast<const char*>(png.data()), png.size()}, error))
    return fail(error);
  return 0;
}

int runPitch(const Args& args) {
  PitchOptions options;
  if (const int status = parse(args, options); status != 0) return status;
  audiofile::LoadedTrack track;
  if (const int status = importTrack(options.input, track); status != 0) return status;
  tuning::TrackRegion region;
  std::string error;
  if (!resolveRegion(options.region, track, region, error))
    return fail("pitch: " + error), EXIT_USAGE;

  // The hops whose frames are centred inside the region.
  const std::int64_t hop = tuning::PITCH_CURVE_HOP;
  const std::int64_t firstHop = (region.selStart + hop - 1) / hop;
  const std::int64_t endHop = (region.selEnd + hop - 1) / hop;
  const tuning::TrackSamples samples{track.samples.get(), static_cast<int>(track.channels),
                                     track.frameCount};
  std::vector<tuning::PitchEstimate> found;
  if (!tuning::analysePitchCurve(samples, region.channel, firstHop, endHop, tuning::SAMPLE_RATE,
                                 found))
    return fail("pitch: out of memory for the analysis");

  std::string csv = CSV_HEADER;
  for (std::size_t i = 0; i < found.size(); ++i)
    appendLine(
        csv,
        static_cast<double>((firstHop + static_cast<std::int64_t>(i)) * hop) / tuning::SAMPLE_RATE,
        found[i]);
  // The picture first: it is the one that may fail for want of memory, and
  // then no table is left behind either.
  if (!options.png.empty())
    if (const int status = writePlot(found, firstHop, region, options.png); status != 0)
      return status;
  if (!options.csv.empty() && !writeWholeFile(options.csv, csv, error)) return fail(error);
  if (options.csv.empty() && options.png.empty()) {
    if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout) != 0)
      return fail("could not write the output");
  }
  return 0;
}

const CliCommand PITCH{
    "pitch", "pitch FILE [options]      the pitch curve of a region, as CSV or PNG",
    "usage: cantora-cli pitch FILE [--start FRAME] [--length FRAMES] [--channel 1|2]\n"
    "                          [--csv OUT.csv] [--png OUT.png]\n\n"
    "Imports FILE as the desktop program opens a track and runs the pitch analysis\n"
    "the program draws as its pitch curve: one frame of 4096 samples every 1024\n"
    "samples (23.2 ms), centred on the hop's time. Pitches from about 70 to 700 Hz\n"
    "are found; other frames (silence, noise, breath) are unvoiced.\n\n"
    "The table has a header line and one line per hop centred in the region:\n"
    "  time_s,frequency_hz,note,cents,clarity\n"
    "time in seconds from the track's start, the frequency in Hz, the nearest note\n"
    "(\"A4\", \"C#4/Db4\") and the cents from it, and the clarity (0 to 1; 0.8 or\n"
    "more is voiced). An unvoiced hop leaves frequency, note and cents empty.\n\n"
    "options:\n"
    "  --start FRAME     first frame of the region (default 0)\n"
    "  --length FRAMES   frames in the region (default: to the end of the track)\n"
    "  --channel 1|2     the channel to analyse on a stereo track (default 1)\n"
    "  --csv OUT.csv     write the table to OUT.csv instead of standard output\n"
    "  --png OUT.png     draw the curve on its note grid into OUT.png (1200 x 480;\n"
    "                    not in the Windows build, which has no PNG encoder)\n\n"
    "Output files are written under a temporary name beside them and renamed when\n"
    "complete. Frames count at 44100 Hz. Exit status 0 on success, 1 when the file\n"
    "cannot be imported or an output cannot be written, 2 on a usage error.\n",
    runPitch};

const CliRegistration registration(PITCH);

}  // namespace

}  // namespace cli
