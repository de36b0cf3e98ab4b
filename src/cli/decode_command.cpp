// `cantora-cli decode FILE -o OUT.wav`: imports FILE exactly as the desktop
// program loads a track and writes the track as a WAV file. The file is
// written under a temporary name beside OUT and renamed when it is complete,
// so OUT is never left half-written: a failed or interrupted write removes the
// temporary file and leaves any earlier OUT as it was.
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/cli_command.h"
#include "cli/track_io.h"

namespace cli {

namespace {

int runDecode(const Args& args) {
  std::string input;
  std::string output;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size()) {
        fail(a + " needs a file name");
        return EXIT_USAGE;
      }
      output = args[++i];
    } else if (a.rfind("--output=", 0) == 0) {
      output = a.substr(9);
    } else if (!a.empty() && a[0] == '-') {
      fail("decode: unknown option '" + a + "' (try cantora-cli decode --help)");
      return EXIT_USAGE;
    } else if (input.empty()) {
      input = a;
    } else {
      fail("decode takes one FILE (try cantora-cli decode --help)");
      return EXIT_USAGE;
    }
  }
  if (input.empty() || output.empty()) {
    fail("usage: cantora-cli decode FILE -o OUT.wav");
    return EXIT_USAGE;
  }
  // Writing over the input would replace the file being decoded with the track.
  std::error_code ec;
  if (std::filesystem::equivalent(input, output, ec) && !ec) {
    fail("decode: " + output + " is the input file; choose another output name");
    return EXIT_USAGE;
  }

  InterruptGuard guard;
  audiofile::LoadedTrack track;
  if (const int status = importTrack(input, track); status != 0) return status;
  return writeTrack(track, output);
}

const CliCommand DECODE{
    "decode", "decode FILE -o OUT.wav    import a WAV or MP3 file as a 44100 Hz WAV track",
    "usage: cantora-cli decode FILE -o OUT.wav\n\n"
    "Imports FILE exactly as the desktop program loads a track (PCM or float WAV at\n"
    "any rate, or MPEG audio; converted to 44100 Hz, one or two channels as in the\n"
    "file, padded with silence to a whole number of 4608-frame blocks) and writes\n"
    "the track to OUT.wav as 16-bit PCM WAV.\n\n"
    "options:\n"
    "  -o, --output OUT.wav  the file to write (replaced if it exists; never FILE\n"
    "                        itself)\n\n"
    "OUT is written under a temporary name beside it and renamed when complete;\n"
    "on any failure or interruption nothing is left behind and an existing OUT\n"
    "is kept. Exit status 0 on success, 1 on failure, 2 on a usage error, 130\n"
    "when interrupted.\n",
    runDecode};

const CliRegistration registration(DECODE);

}  // namespace

}  // namespace cli
