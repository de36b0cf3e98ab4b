// `cantora-cli play`: plays a track (or a region of it, once or in a loop) on
// an audio device, through the same transport, callbacks and host as the
// desktop program's Play and Loop buttons.
#include <cmath>
#include <cstring>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "cli/cli_command.h"
#include "cli/region_options.h"
#include "cli/track_io.h"
#include "cli/transport_session.h"
#include "state/track_sizing.h"

namespace {

using namespace cli;

int usage(const std::string& message) {
  fail("play: " + message + " (try cantora-cli play --help)");
  return EXIT_USAGE;
}

int runPlay(const Args& args) {
  std::string input;
  RegionOptions region;
  TransportOptions transport;
  bool loop = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (takeRegionOption(args, i, region, error) ||
        takeTransportOption(args, i, transport, error)) {
      if (!error.empty()) return usage(error);
    } else if (args[i] == "--loop") {
      loop = true;
    } else if (const std::string e = takePositional(args[i], input, "FILE"); !e.empty()) {
      return usage(e);
    }
  }
  if (input.empty()) return usage("needs a FILE");
  if (region.channel) return usage("plays both channels; --channel is for readout and tune");

  InterruptGuard guard;
  audiofile::LoadedTrack track;
  if (const int status = importTrack(input, track); status != 0) return status;
  tuning::TrackRegion where;
  std::string error;
  if (!resolveRegion(region, track, where, error)) return usage(error);

  TransportSession session;
  if (const int status = session.open(transport); status != 0) return status;
  state::AppState& app = session.app();
  app.frameCount = track.frameCount;
  app.channels = track.channels;
  app.stereo = track.channels == 2;
  app.samples = std::move(track.samples);
  app.sampleRate = audiofile::TRACK_RATE;
  app.fitFramesPerPixel = app.framesPerPixel =
      state::fitZoom(app.frameCount, session.window().context().paneWidth());
  if (region.start || region.length) {
    app.selActive = true;
    app.selStart = static_cast<std::uint32_t>(where.selStart);
    app.selEnd = static_cast<std::uint32_t>(where.selEnd);
  }
  const std::uint64_t stopAfter =
      transport.seconds
          ? static_cast<std::uint64_t>(std::llround(*transport.seconds * app.driverRate))
          : 0;
  const std::uint64_t rangeStart = app.selActive ? app.selStart : 0;
  const std::uint64_t rangeFrames = (app.selActive ? app.selEnd : app.frameCount) - rangeStart;
  return session.run(loop ? app::CMD_LOOP : app::CMD_PLAY, stopAfter,
                     [rangeStart, rangeFrames, loop](const state::AppState& a) {
                       const std::uint64_t cursor = a.cursorPos;
                       const std::uint64_t at = cursor > rangeStart ? cursor - rangeStart : 0;
                       return std::string(loop ? "looping " : "playing ") +
                              secondsText(std::min(at, rangeFrames), a.sampleRate) + " of " +
                              secondsText(rangeFrames, a.sampleRate) + "  (Ctrl-C stops)";
                     });
}

const cli::CliCommand PLAY_COMMAND{
    "play", "play FILE [OPTIONS]       plays a track on an audio device",
    "usage: cantora-cli play FILE [--device N] [--loop] [--start FRAME --length FRAMES]\n"
    "                         [--seconds S]\n\n"
    "Plays FILE (WAV or MP3, read as the desktop program opens a track) on an audio\n"
    "device, as the Play button does, or over and over as the Loop button does.\n\n"
    "  --device N       the device numbered N by `cantora-cli devices`; without it,\n"
    "                   the one the desktop program opens on its own\n"
    "  --loop           play the range again and again until stopped\n"
    "  --start FRAME    the range to play starts at this frame (default 0)\n"
    "  --length FRAMES  and is this many frames long (default: to the end)\n"
    "  --seconds S      stop after S seconds of audio (counted in the device's frames)\n\n"
    "Ctrl-C stops as the Stop button does. On a terminal one status line shows the\n"
    "position. Exit status 0 when played, 1 when the track or the device could not\n"
    "be used, 2 for a usage error, 130 after Ctrl-C.\n",
    runPlay};

const cli::CliRegistration REGISTRATION(PLAY_COMMAND);

}  // namespace
