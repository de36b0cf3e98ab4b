// `cantora-cli tune FILE -o OUT.wav`: tunes a region of one channel of the
// imported track as the Tuning dialog's OK does, and writes the whole track.
// OUT is written under a temporary name beside it and renamed when complete,
// so it is never left half-written.
#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_command.h"
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

// Semitones above A of the natural notes A to G.
constexpr std::array<int, 7> NATURAL = {0, 2, 3, 5, 7, 8, 10};

// Takes `sign` from the front of `rest` when it is there.
bool take(std::string_view& rest, std::string_view sign) {
  if (rest.substr(0, sign.size()) != sign) return false;
  rest.remove_prefix(sign.size());
  return true;
}

// The pitch class (semitones above A) of one spelling: a letter A to G, any
// number of sharps (#, s or the sharp sign) or flats (b, f or the flat sign),
// then an octave number, which is ignored since the notes hold in every
// octave. Case does not matter: C#, Cs, cs4, Db, DB, Bb3, Cb and E# are all
// taken. -1 when it is no note.
int spellingClass(std::string_view name) {
  if (name.empty()) return -1;
  const int letter = std::tolower(static_cast<unsigned char>(name[0])) - 'a';
  if (letter < 0 || letter >= static_cast<int>(NATURAL.size())) return -1;
  int semitones = NATURAL[letter];
  std::string_view rest = name.substr(1);
  for (;;) {
    if (take(rest, "\u266F")) {
      ++semitones;
    } else if (take(rest, "\u266D")) {
      --semitones;
    } else if (rest.empty()) {
      break;
    } else {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
      if (c == '#' || c == 's')
        ++semitones;
      else if (c == 'b' || c == 'f')
        --semitones;
      else
        break;
      rest.remove_prefix(1);
    }
  }
  if (!rest.empty()) {
    take(rest, "-");  // octave -1
    if (rest.empty()) return -1;
    for (char c : rest)
      if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
  }
  return (semitones % 12 + 12) % 12;
}

// The pitch class of a note name, which may give two spellings of one note
// joined by '/' as the readout shows them ("C#4/Db4"); -1 when it is no note.
int noteClass(std::string_view name) {
  const std::size_t slash = name.find('/');
  const int first = spellingClass(name.substr(0, slash));
  if (slash == std::string_view::npos || first < 0) return first;
  return noteClass(name.substr(slash + 1)) == first ? first : -1;
}

// "C,E,G" or "C E G" into the twelve flags; false with `error` naming the
// first name that is no note.
bool parseNotes(const std::string& list, tuning::EngineParams& params, std::string& error) {
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = list.find_first_of(", ", at);
    const std::string name = list.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? list.size() : end + 1;
    if (name.empty()) continue;
    const int index = noteClass(name);
    if (index < 0) {
      error = "'" + name + "' is no note (a letter A to G, then # or b, s or f, and an octave if " +
              "you like: C, C#, Db, cs4)";
      return false;
    }
    params.noteEnabled[index] = true;
  }
  return true;
}

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
    } else if (!args[i].empty() && args[i][0] == '-') {
      return usage("unknown option '" + args[i] + "'");
    } else if (input.empty()) {
      input = args[i];
    } else {
      return usage("takes one FILE");
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
