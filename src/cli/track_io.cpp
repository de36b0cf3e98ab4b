#include "cli/track_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

#include "audiofile/audiofile_constants.h"
#include "audiofile/wav_writer.h"
#include "cli/cli_command.h"
#include "cli/progress_bar.h"
#include "platform/output_file.h"

namespace cli {

namespace {

constexpr int TEMP_NAME_TRIES = 16;

volatile std::sig_atomic_t interruptedFlag = 0;

#ifdef _WIN32
// Ctrl+C, Ctrl+Break and closing the console window.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  interruptedFlag = 1;
  return TRUE;
}
#else
constexpr int CAUGHT_SIGNALS[3] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction savedActions[3]{};
struct sigaction savedFileSizeAction {};

void onSignal(int) {
  interruptedFlag = 1;
}
#endif

class ReadProgress : public audiofile::LoadObserver {
 public:
  bool blockRead(std::uint64_t producedBytes, std::uint64_t totalBytes) override {
    bar_.update(producedBytes, totalBytes);
    return interruptedFlag == 0;
  }

 private:
  ProgressBar bar_{"reading"};
};

// A name beside `out` that no file has: ".NAME.XXXXXX.tmp" in OUT's folder.
std::string temporaryNameFor(const std::string& out, std::mt19937& gen) {
#ifdef _WIN32
  const std::size_t slash = out.find_last_of("/\\");
#else
  const std::size_t slash = out.rfind('/');
#endif
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

}  // namespace

#ifdef _WIN32
InterruptGuard::InterruptGuard() {
  interruptedFlag = 0;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptGuard::~InterruptGuard() {
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}
#else
InterruptGuard::InterruptGuard() {
  interruptedFlag = 0;
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(CAUGHT_SIGNALS[i], &sa, &savedActions[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, &savedFileSizeAction);
}

InterruptGuard::~InterruptGuard() {
  for (int i = 0; i < 3; ++i) sigaction(CAUGHT_SIGNALS[i], &savedActions[i], nullptr);
  sigaction(SIGXFSZ, &savedFileSizeAction, nullptr);
}
#endif

bool interrupted() {
  return interruptedFlag != 0;
}

std::string importFailure(const std::string& path, audiofile::LoadStatus status,
                          const audiofile::ImportRefusal& why) {
  std::string line = path + ": " + audiofile::loadStatusMessage(status);
  const std::string reason = audiofile::importReasonText(why);
  return reason.empty() ? line : line + " (" + reason + ")";
}

void clearInterrupted() {
  interruptedFlag = 0;
}

std::string unwritableReason(const std::string& out) {
  struct stat info {};
  if (::stat(out.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return "is a folder";
  const std::size_t slash = out.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : out.substr(0, slash));
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    return "cannot write in " + folder + systemError(errno);
  return {};
}

int importTrack(const std::string& path, audiofile::LoadedTrack& track) {
  audiofile::LoadStatus status;
  audiofile::ImportRefusal why;
  {
    ReadProgress progress;
    status = audiofile::loadTrack(path.c_str(), track, &progress, &why);
  }
  switch (status) {
    case audiofile::LoadStatus::Loaded:
      return 0;
    case audiofile::LoadStatus::Cancelled:
      fail("interrupted; nothing was written");
      return EXIT_INTERRUPTED;
    default:
      return fail(importFailure(path, status, why));
  }
}

int writeTrack(const audiofile::LoadedTrack& track, const std::string& out,
               std::uint32_t sampleRate) {
  audiofile::WavWriter writer;
  std::random_device seed;
  std::mt19937 gen(seed());
  std::string temp;
  bool created = false;
  for (int i = 0; i < TEMP_NAME_TRIES && !created; ++i) {
    temp = temporaryNameFor(out, gen);
    created = writer.create(temp.c_str(), track.channels, sampleRate, true);
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
    for (std::uint64_t done = 0; done < totalBytes; done += pieceBytes) {
      if (interrupted()) {
        failure = "interrupted; " + out + " was not written";
        break;
      }
      const auto size = static_cast<std::uint32_t>(std::min(pieceBytes, totalBytes - done));
      std::uint32_t accepted = 0;
      const std::uint32_t status = writer.writeBlock(bytes + done, size, accepted);
      writer.addToTotal(accepted);
      if (status != audiofile::WAV_WRITE_OK || accepted != size) {
        failure = out + ": could not write the file" + systemError(writer.lastError());
        break;
      }
      bar.update(done + size, totalBytes);
    }
  }
  writer.finish();
  if (failure.empty() && !writer.lastFinishComplete())
    failure = out + ": could not complete the file" + systemError(writer.lastError());
  int replaceError = 0;
  if (failure.empty() && !platform::replaceFile(temp.c_str(), out.c_str(), replaceError))
    failure = out + ": could not replace the file" + systemError(replaceError);
  if (!failure.empty()) {
    platform::removeFile(temp.c_str());
    fail(failure);
    return interrupted() ? EXIT_INTERRUPTED : 1;
  }
  return 0;
}

}  // namespace cli
