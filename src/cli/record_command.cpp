// `cantora-cli record`: records the audio device's two inputs for a given
// time, through the same transport, callbacks and host as the desktop
// program's Record button, and writes them as a 2-channel WAV file at the
// device's rate.
#include <cmath>
#include <new>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "cli/cli_command.h"
#include "cli/region_options.h"
#include "cli/track_io.h"
#include "cli/transport_session.h"

namespace {

using namespace cli;

int usage(const std::string& message) {
  fail("record: " + message + " (try cantora-cli record --help)");
  return EXIT_USAGE;
}

std::string levelText(std::int32_t peak) {
  if (peak <= 0) return "silence";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(peak / 32768.0));
  return text;
}

// The finished recording: the chunks in order, interleaved, cut at `limit`
// frames (0: all). Frees the chunks and returns the transport to Idle, as the
// record finishing of the desktop program ends.
void takeRecording(app::AppContext& ctx, std::uint64_t limit, audiofile::LoadedTrack& out,
                   bool& outOfMemory) {
  state::AppState& app = ctx.app;
  std::uint64_t frames = 0;
  for (const state::RecordChunk* c = app.chunks.head; c != nullptr; c = c->next)
    frames += std::uint64_t{c->blocksUsed} * app.blockFrames;
  if (limit != 0 && frames > limit) frames = limit;
  out.channels = 2;
  out.frameCount = static_cast<std::uint32_t>(frames);
  out.samples.reset(new (std::nothrow) std::int16_t[frames * 2 + 1]);
  outOfMemory = !out.samples;
  std::uint64_t at = 0;
  for (const state::RecordChunk* c = app.chunks.head; c != nullptr && out.samples && at < frames;
       c = c->next) {
    const std::uint64_t n =
        std::min<std::uint64_t>(std::uint64_t{c->blocksUsed} * app.blockFrames, frames - at);
    for (std::uint64_t i = 0; i < n; ++i, ++at) {
      out.samples[2 * at] = c->left[i];
      out.samples[2 * at + 1] = c->right[i];
    }
  }
  app.chunks.free();
  app.chunkCount = 0;
  app.spoolBuffer.reset();
  app.mode = state::TransportMode::Idle;
}

int runRecord(const Args& args) {
  std::string output;
  TransportOptions transport;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (takeTransportOption(args, i, transport, error)) {
      if (!error.empty()) return usage(error);
    } else if (const std::string e = takePositional(args[i], output, "OUT.wav"); !e.empty()) {
      return usage(e);
    }
  }
  if (output.empty() || !transport.seconds) return usage("needs OUT.wav and --seconds S");
  if (const std::string why = unwritableReason(output); !why.empty())
    return fail(output + ": " + why);

  InterruptGuard guard;
  TransportSession session;
  if (const int status = session.open(transport); status != 0) return status;
  state::AppState& app = session.app();
  const std::uint64_t frames =
      static_cast<std::uint64_t>(std::llround(*transport.seconds * app.driverRate));
  audiofile::LoadedTrack recording;
  bool outOfMemory = false;
  session.window().context().finishRecording = [&](app::AppContext& ctx) {
    takeRecording(ctx, frames, recording, outOfMemory);
  };
  const int status = session.run(app::CMD_RECORD, frames, [](const state::AppState& a) {
    return "recording " + secondsText(a.deviceFrames, a.driverRate) + "  level " +
           levelText(a.inputPeak) + "  (Ctrl-C stops)";
  });
  if (status == 1) return 1;
  if (outOfMemory) return fail("out of memory; " + output + " was not written");
  if (recording.frameCount == 0)
    return fail("nothing was recorded; " + output + " was not written");
  // Ctrl-C ended the recording; a second one may still stop the write.
  clearInterrupted();
  if (const int written = writeTrack(recording, output, app.driverRate); written != 0)
    return written;
  return status;
}

const cli::CliCommand RECORD_COMMAND{
    "record", "record OUT.wav --seconds S records an audio device's inputs",
    "usage: cantora-cli record OUT.wav --seconds S [--device N]\n\n"
    "Records the two inputs of an audio device, as the Record button does, and\n"
    "writes them to OUT.wav: 16-bit PCM, 2 channels, at the device's sample rate.\n\n"
    "  --seconds S  stop after S seconds of audio (counted in the device's frames)\n"
    "  --device N   the device numbered N by `cantora-cli devices`; without it,\n"
    "               the one the desktop program opens on its own\n\n"
    "Ctrl-C stops early as the Stop button does; what was recorded is still\n"
    "written. On a terminal one status line shows the time and the input level.\n"
    "Exit status 0 when written, 1 when the device or the file could not be used,\n"
    "2 for a usage error, 130 after Ctrl-C.\n",
    runRecord};

const cli::CliRegistration REGISTRATION(RECORD_COMMAND);

}  // namespace
