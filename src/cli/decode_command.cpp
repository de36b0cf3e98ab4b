// `cantora-cli decode FILE -o OUT.wav`: imports FILE exactly as the desktop
// program loads a track and writes the track as a WAV file. The file is
// written under a temporary name beside OUT and renamed when it is complete,
// so OUT is never left half-written: a failed or interrupted write removes the
// temporary file and leaves any earlier OUT as it was.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_loader.h"
#include "audiofile/wav_writer.h"
#include "cli/cli_command.h"
#include "cli/progress_bar.h"

namespace cli {

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_INTERRUPTED = 130;
constexpr int TEMP_NAME_TRIES = 16;

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) {
  interrupted = 1;
}

// Catches the signals that would end the program part-way, so the temporary
// file can be removed; a write past the file-size limit fails with EFBIG
// instead of killing the program.
class SignalGuard {
 public:
  SignalGuard() {
    interrupted = 0;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(SIGNALS[i], &sa, &saved_[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &savedXfsz_);
  }
  ~SignalGuard() {
    for (int i = 0; i < 3; ++i) sigaction(SIGNALS[i], &saved_[i], nullptr);
    sigaction(SIGXFSZ, &savedXfsz_, nullptr);
  }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

 private:
  static constexpr int SIGNALS[3] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction saved_[3]{};
  struct sigaction savedXfsz_ {};
};

class ReadProgress : public audiofile::LoadObserver {
 public:
  bool blockRead(std::uint64_t producedBytes, std::uint64_t totalBytes) override {
    bar_.update(producedBytes, totalBytes);
    return interrupted == 0;
  }

 private:
  ProgressBar bar_{"reading"};
};

// A name beside `out` that no file has: ".NAME.XXXXXX.tmp" in OUT's folder.
std::string temporaryNameFor(const std::string& out, std::mt19937& gen) {
  const std::size_t slash = out.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : out.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? out : out.substr(slash + 1);
  static const char ALPHABET[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string tag(6, 'x');
  for (char& c : tag) c = ALPHABET[gen() % (sizeof ALPHABET - 1)];
  return folder + "." + name + "." + tag + ".tmp";
}

std::string systemError(int err) {
  return err != 0 ? std::string(": ") + std::strerror(err) : std::string();
}

// Writes the track to `out` through a temporary file; returns the exit status.
int writeTrack(const audiofile::LoadedTrack& track, const std::string& out) {
  audiofile::WavWriter writer;
  std::random_device seed;
  std::mt19937 gen(seed());
  std::string temp;
  bool created = false;
  for (int i = 0; i < TEMP_NAME_TRIES && !created; ++i) {
    temp = temporaryNameFor(out, gen);
    created = writer.create(temp.c_str(), track.channels, audiofile::TRACK_RATE, true);
    if (!created && writer.lastError() != EEXIST) break;
  }
  if (!created) return fail(out + ": Could not create file!" + systemError(writer.lastError()));

  const std::uint64_t totalBytes = std::uint64_t{track.frameCount} * track.channels * 2;
  const std::uint64_t pieceBytes =
      std::uint64_t{track.channels} * audiofile::BLOCK_BYTES_PER_CHANNEL;
  const auto* bytes = reinterpret_cast<const unsigned char*>(track.samples.get());
  std::string failure;
  {
    ProgressBar bar("writing");
    for (std::uint64_t done = 0; done < totalBytes && failure.empty(); done += pieceBytes) {
      if (interrupted != 0) {
        failure = "interrupted; " + out + " was not written";
        break;
      }
      const auto size = static_cast<std::uint32_t>(std::min(pieceBytes, totalBytes - done));
      std::uint32_t accepted = 0;
      const std::uint32_t status = writer.writeBlock(bytes + done, size, accepted);
      writer.addToTotal(accepted);
      if (status != audiofile::WAV_WRITE_OK || accepted != size)
        failure = out + ": could not write the file" + systemError(writer.lastError());
      bar.update(done + size, totalBytes);
    }
  }
  writer.finish();
  if (failure.empty() && !writer.lastFinishComplete())
    failure = out + ": could not complete the file" + systemError(writer.lastError());
  if (failure.empty() && std::rename(temp.c_str(), out.c_str()) != 0)
    failure = out + ": could not replace the file" + systemError(errno);
  if (!failure.empty()) {
    ::unlink(temp.c_str());
    fail(failure);
    return interrupted != 0 ? EXIT_INTERRUPTED : 1;
  }
  return 0;
}

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

  SignalGuard guard;
  audiofile::LoadedTrack track;
  audiofile::LoadStatus status;
  {
    ReadProgress progress;
    status = audiofile::loadTrack(input.c_str(), track, &progress);
  }
  switch (status) {
    case audiofile::LoadStatus::Loaded:
      break;
    case audiofile::LoadStatus::Cancelled:
      fail("interrupted; " + output + " was not written");
      return EXIT_INTERRUPTED;
    default:
      return fail(input + ": " + audiofile::loadStatusMessage(status));
  }
  return writeTrack(track, output);
}

const CliCommand DECODE{
    "decode", "decode FILE -o OUT.wav    import a WAV or MP3 file as a 44100 Hz WAV track",
    "usage: cantora-cli decode FILE -o OUT.wav\n\n"
    "Imports FILE exactly as the desktop program loads a track (16-bit PCM WAV at\n"
    "any rate, or MPEG audio; converted to 44100 Hz, one or two channels as in the\n"
    "file, padded with silence to a whole number of 4608-frame blocks) and writes\n"
    "the track to OUT.wav as 16-bit PCM WAV.\n\n"
    "options:\n"
    "  -o, --output OUT.wav  the file to write (replaced if it exists)\n\n"
    "OUT is written under a temporary name beside it and renamed when complete;\n"
    "on any failure or interruption nothing is left behind and an existing OUT\n"
    "is kept. Exit status 0 on success, 1 on failure, 2 on a usage error, 130\n"
    "when interrupted.\n",
    runDecode};

const CliRegistration registration(DECODE);

}  // namespace

}  // namespace cli
