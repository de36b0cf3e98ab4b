// The file commands, timed: opening a 10-minute stereo MP3 and a 1-hour
// 44.1 kHz stereo WAV through the load worker until the waveform is drawn,
// against decoding the same file alone in this process and against
// `cantora-cli decode` of it; and the tuning of a 10-second selection from the
// Tuning dialog's OK to the repaint. Ratios, so the figures compare across
// machines. `file_bench MINUTES` shortens the WAV (default 60).
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/tuning_command.h"
#include "app/view_lock.h"
#include "app/windowless_shell.h"
#include "audiofile/staged_wav_file.h"
#include "audiofile/track_loader.h"
#include "view/waveform_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Window {
  state::AppState app;
  app::WindowlessShell shell{0, nullptr};
  app::MainWindow window{app, shell};
  Window() { window.onCreate(); }
  ~Window() { window.onDestroy(); }
};

// A stereo WAV of `seconds` seconds: two tones, written a second at a time.
bool writeTones(const std::string& path, int seconds) {
  audiofile::StagedWavFile file;
  if (!file.create(path, 2, 44100)) return false;
  std::vector<std::int16_t> second(2 * 44100);
  for (int s = 0; s < seconds; ++s) {
    for (std::size_t i = 0; i < 44100; ++i) {
      const double t = s + i / 44100.0;
      second[2 * i] = static_cast<std::int16_t>(9000 * std::sin(2 * 3.141592653589793 * 220 * t));
      second[2 * i + 1] =
          static_cast<std::int16_t>(7000 * std::sin(2 * 3.141592653589793 * 330 * t));
    }
    if (!file.write(second.data(), static_cast<std::uint32_t>(second.size() * 2))) return false;
  }
  return file.commit();
}

// The load worker from the command to the drawn waveform, in seconds.
double openInWindow(const std::string& path, std::uint32_t& frames) {
  Window w;
  const auto start = Clock::now();
  w.window.openFile(path);
  while (w.window.context().workersRunning.load() > 0)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  const double elapsed = secondsSince(start);
  frames = w.app.frameCount;
  return elapsed;
}

double decodeAlone(const std::string& path) {
  audiofile::LoadedTrack track;
  const auto start = Clock::now();
  if (audiofile::loadTrack(path.c_str(), track) != audiofile::LoadStatus::Loaded) return -1.0;
  return secondsSince(start);
}

double cliDecode(const std::string& path, const std::string& out) {
  const auto start = Clock::now();
  const std::string command =
      std::string(CANTORA_CLI) + " decode '" + path + "' -o '" + out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return -1.0;
  const double elapsed = secondsSince(start);
  std::filesystem::remove(out);
  return elapsed;
}

void compare(const char* what, const std::string& path, const std::string& folder) {
  std::uint32_t frames = 0;
  const double window = openInWindow(path, frames);
  const double alone = decodeAlone(path);
  const double cli = cliDecode(path, folder + "/decoded.wav");
  std::printf("%s: %u frames (%.0f s of audio)\n", what, frames, frames / 44100.0);
  std::printf("  open in the window (load worker, peaks, waveform): %.2f s\n", window);
  std::printf(
      "  decode alone in this process:                       %.2f s  (window / alone %.3f)\n",
      alone, window / alone);
  std::printf("  cantora-cli decode (also writes the WAV):           %.2f s  (window / cli %.3f)\n",
              cli, window / cli);
}

// From the dialog's OK (the tuning of a 10-second selection) to the repaint.
void tuneTenSeconds(const std::string& wav) {
  Window w;
  w.window.openFile(wav);
  while (w.window.context().workersRunning.load() > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  w.app.selActive = true;
  w.app.selStart = 44100;
  w.app.selEnd = 11 * 44100;
  w.app.tuneChannel = 1;
  tuning::EngineParams params;
  params.noteEnabled[0] = true;  // A
  params.noteEnabled[3] = true;  // C
  const auto start = Clock::now();
  app::TuneSelection(w.window.context(), params);
  {
    const app::ViewLock lock = app::ViewLock::take(w.app.viewMutex);
    view::redrawPanes(w.window.trackView(), w.app, w.shell);
  }
  const double elapsed = secondsSince(start);
  std::printf("Tuning a 10-second selection, OK to repaint: %.3f s (%.3f of real time)\n", elapsed,
              elapsed / 10.0);
}

}  // namespace

int main(int argc, char** argv) {
  const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("cantora_file_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string tenMinutes = (folder / "ten.wav").string();
  const std::string mp3 = (folder / "ten.mp3").string();
  const std::string long_ = (folder / "long.wav").string();
  if (!writeTones(tenMinutes, 600) ||
      std::system(("lame --quiet '" + tenMinutes + "' '" + mp3 + "'").c_str()) != 0 ||
      !writeTones(long_, minutes * 60)) {
    std::fprintf(stderr, "file_bench: cannot make the test files in %s\n", folder.c_str());
    std::filesystem::remove_all(folder);
    return 1;
  }
  compare("10-minute stereo MP3", mp3, folder.string());
  compare((std::to_string(minutes) + "-minute 44.1 kHz stereo WAV").c_str(), long_,
          folder.string());
  tuneTenSeconds(tenMinutes);
  std::filesystem::remove_all(folder);
  return 0;
}
