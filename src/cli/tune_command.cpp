// `cantora-cli tune FILE -o OUT.wav`: tunes a region of one channel of the
// imported track as the Tuning dialog's OK does, and writes the whole track.
// OUT is written under a temporary name beside it and renamed when complete,
// so it is never left half-written.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_command.h"
#include "cli/note_list.h"
#include "cli/progress_bar.h"
#include "cli/region_options.h"
#include "cli/track_io.h"
#include "tuning/tune_selection.h"

namespace cli {

namespace {

constexpr int MAX_SHIFT = 12;
constexpr int MAX_GRACE = 250;
constexpr int GRACE_STEP = 10;
constexpr int DEFAULT_GRACE = 40;  // where the dialog's slider starts

int usage(const std::string& message) {
  fail("tune: " + message + " (try cantora-cli tune --help)");
  return EXIT_USAGE;
}

int runTune(const Args& args) {
  std::string input;
  std::string output;
  RegionOptions region;
  tuning::EngineParams params;
  params.sampleRate = tuning::SAMPLE_RATE;
  params.grace = static_cast<float>(DEFAULT_GRACE);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    std::string value;
    long long number = 0;
    if (takeRegionOption(args, i, region, error)) {
      if (!error.empty()) return usage(error);
    } else if (takeOptionValue(args, i, "-o", value, error) ||
               takeOptionValue(args, i, "--output", value, error)) {
      if (!error.empty()) return usage(error);
      output = value;
    } else if (takeOptionValue(args, i, "--notes", value, error)) {
      if (!error.empty() || !parseNotes(value, params, error)) return usage(error);
    } else if (takeOptionValue(args, i, "--shift", value, error)) {
      if (!error.empty()) return usage(error);
      if (!parseInteger(value, -MAX_SHIFT, MAX_SHIFT, number))
        return usage("--shift must be a whole number of semitones from -12 to 12, not '" + value +
                     "'");
      params.pitchShift = static_cast<int>(number);
    } else if (takeOptionValue(args, i, "--grace", value, error)) {
      if (!error.empty()) return usage(error);
      if (!parseInteger(value, 0, MAX_GRACE, number) || number % GRACE_STEP != 0)
        return usage("--grace must be 0 to 250 in steps of 10, not '" + value + "'");
      params.grace = static_cast<float>(number);
    } else if (const std::string e = takePositional(args[i], input, "FILE"); !e.empty()) {
      return usage(e);
    }
  }
  if (input.empty() || output.empty()) return usage("needs FILE and -o OUT.wav");

  InterruptGuard guard;
  audiofile::LoadedTrack track;
  if (const int status = importTrack(input, track); status != 0) return status;
  tuning::TrackRegion where;
  std::string error;
  if (!resolveRegion(region, track, where, error)) {
    fail("tune: " + error);
    return EXIT_USAGE;
  }

  bool anyNote = false;
  for (bool enabled : params.noteEnabled) anyNote = anyNote || enabled;
  // As the dialog: with no note allowed and no shift there is nothing to tune.
  if (anyNote || params.pitchShift != 0) {
    const tuning::TrackSamples samples{track.samples.get(), static_cast<int>(track.channels),
                                       track.frameCount};
    ProgressBar bar("tuning");
    const tuning::TuneResult result = tuning::TuneSelection(
        params, samples, where, [&bar](std::int64_t done, std::int64_t total) {
          bar.update(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
        });
    bar.finish();
    if (result.status != tuning::TuneStatus::Tuned)
      return fail(input + ": " + tuning::tuneStatusText(result.status));
  }
  if (interrupted()) {
    fail("interrupted; " + output + " was not written");
    return EXIT_INTERRUPTED;
  }
  return writeTrack(track, output);
}

const CliCommand TUNE{
    "tune", "tune FILE -o OUT.wav      correct the pitch of a region, write the whole track",
    "usage: cantora-cli tune FILE -o OUT.wav [--notes LIST] [--shift -12..12]\n"
    "                        [--grace 0..250] [--start FRAME] [--length FRAMES]\n"
    "                        [--channel 1|2]\n\n"
    "Imports FILE as the desktop program opens a track, corrects the pitch of a\n"
    "region of one channel as the Tuning dialog's OK does, and writes the whole\n"
    "track to OUT.wav as 16-bit PCM WAV.\n\n"
    "options:\n"
    "  -o, --output OUT.wav  the file to write (replaced if it exists)\n"
    "  --notes LIST      the allowed notes, e.g. C,D,E,F,G,A,B or \"C E G\", in any\n"
    "                    spelling and case: C# Cs Db DB, with or without an octave\n"
    "                    (C#4), which is ignored. Sung pitches move to the nearest\n"
    "                    allowed note in any octave; with none allowed, to the\n"
    "                    nearest semitone\n"
    "  --shift N         transpose by N semitones, -12 to 12 (default 0); the level\n"
    "                    is kept\n"
    "  --grace MS        0 to 250 in steps of 10 (default 40): the time in which\n"
    "                    about 23/24 of a pitch difference is corrected; 0 corrects\n"
    "                    at once\n"
    "  --start FRAME     first frame of the region (default 0)\n"
    "  --length FRAMES   frames in the region (default: to the end of the track)\n"
    "  --channel 1|2     the channel to tune on a stereo track (default 1); the\n"
    "                    other channel is left as it is\n\n"
    "With no note allowed and no shift nothing is tuned and the track is written\n"
    "as imported. OUT is written under a temporary name beside it and renamed\n"
    "when complete. Exit status 0 on success, 1 on failure, 2 on a usage error,\n"
    "130 when interrupted.\n",
    runTune};

const CliRegistration registration(TUNE);

}  // namespace

}  // namespace cli
