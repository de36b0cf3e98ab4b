#include "cli/track_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "audiofile/audiofile_constants.h"
#include "audiofile/staged_wav_file.h"
#include "cli/cli_command.h"
#include "cli/progress_bar.h"
#include "platform/output_file.h"

namespace cli {

namespace {

constexpr long MAX_THREADS = 256;

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

unsigned defaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

int threadsOption(const std::vector<std::string>& args, std::size_t& i, unsigned& threads) {
  const std::string& a = args[i];
  std::string value;
  if (a == "--threads") {
    if (i + 1 >= args.size()) {
      fail("--threads needs a number");
      return -1;
    }
    value = args[++i];
  } else if (a.rfind("--threads=", 0) == 0) {
    value = a.substr(10);
  } else {
    return 0;
  }
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || errno != 0 || n < 1 || n > MAX_THREADS) {
    fail("--threads takes a whole number from 1 to " + std::to_string(MAX_THREADS) + ", not '" +
         value + "'");
    return -1;
  }
  threads = static_cast<unsigned>(n);
  return 1;
}

int importTrack(const std::string& path, audiofile::LoadedTrack& track, unsigned threads) {
  audiofile::LoadStatus status;
  audiofile::ImportRefusal why;
  {
    ReadProgress progress;
    status = audiofile::loadTrack(path.c_str(), track, &progress, &why, threads);
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
  audiofile::StagedWavFile file;
  if (!file.create(out, track.channels, sampleRate))
    return fail(out + ": Could not create file!" + systemError(file.lastError()));

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
      if (!file.write(bytes + done, size)) {
        failure = out + ": could not write the file" + systemError(file.lastError());
        break;
      }
      bar.update(done + size, totalBytes);
    }
  }
  if (failure.empty() && !file.commit())
    failure = out + ": could not complete the file" + systemError(file.lastError());
  if (!failure.empty()) {
    file.abandon();
    fail(failure);
    return interrupted() ? EXIT_INTERRUPTED : 1;
  }
  return 0;
}

}  // namespace cli
