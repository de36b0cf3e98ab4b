// A minute of a sung line at 44100 Hz, tuned to three notes on one core: time
// against real time, and against `rubberband -p 1` (a pitch shift of one
// semitone by the Rubber Band command-line tool) on the same file in the same
// run. The whole program is pinned to one core, the tool included.
#include <sched.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_signals.h"
#include "tuning/tune_selection.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int SECONDS = 60;
constexpr int RATE = 44100;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread: on a shared machine the wall time also counts the
// time other programs held the core.
double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Timing {
  double wall = 1e30;
  double cpu = 1e30;
};

std::vector<std::int16_t> minuteOfSinging() {
  const auto line = testsignals::voice({
      {{60, 35, 0.6}, {62, -28, 0.55}, {64, 40, 0.6}, {65, -32, 0.55}, {67, 22, 0.8}},
      {{69, -38, 0.6}, {67, 30, 0.55}, {64, -25, 0.6}, {62, 38, 0.55}, {60, -35, 0.8}},
      {{57, 27, 0.6}, {59, -40, 0.55}, {60, 33, 0.6}, {55, -30, 0.55}, {57, 36, 0.8}},
  });
  std::vector<std::int16_t> samples;
  while (samples.size() < static_cast<std::size_t>(SECONDS) * RATE)
    samples.insert(samples.end(), line.samples.begin(), line.samples.end());
  samples.resize(static_cast<std::size_t>(SECONDS) * RATE);
  return samples;
}

void put32(std::FILE* f, std::uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16),
                              static_cast<unsigned char>(v >> 24)};
  std::fwrite(b, 1, 4, f);
}

void put16(std::FILE* f, std::uint16_t v) {
  const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
  std::fwrite(b, 1, 2, f);
}

// A plain 16-bit mono PCM WAV file for the reference tool.
bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);
  put16(f, 1);
  put32(f, RATE);
  put32(f, RATE * 2);
  put16(f, 2);
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, bytes);
  for (std::int16_t s : samples) put16(f, static_cast<std::uint16_t>(s));
  return std::fclose(f) == 0;
}

Timing tuneOnce(const std::vector<std::int16_t>& original) {
  std::vector<std::int16_t> samples = original;
  tuning::EngineParams params;
  params.noteEnabled[3] = params.noteEnabled[7] = params.noteEnabled[10] = true;  // C, E, G
  params.grace = 40.0f;
  const tuning::TrackSamples track{samples.data(), 1, static_cast<std::int64_t>(samples.size())};
  const auto start = Clock::now();
  const double cpuStart = threadCpuSeconds();
  const auto result = tuning::TuneSelection(params, track, {0, track.frameCount, 1});
  const Timing timing{secondsSince(start), threadCpuSeconds() - cpuStart};
  if (result.status != tuning::TuneStatus::Tuned) {
    std::fprintf(stderr, "tuning failed: %s\n", tuning::tuneStatusText(result.status));
    std::exit(1);
  }
  return timing;
}

// Wall time of one run of the tool, or a negative value when it failed.
double runTool(const std::string& command) {
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = secondsSince(start);
  return status == 0 ? seconds : -1.0;
}

}  // namespace

int main() {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu() < 0 ? 0 : sched_getcpu(), &one);
  const bool pinned = sched_setaffinity(0, sizeof one, &one) == 0;

  const auto samples = minuteOfSinging();
  Timing best;
  for (int run = 0; run < 5; ++run) {
    const Timing t = tuneOnce(samples);
    best.wall = std::min(best.wall, t.wall);
    best.cpu = std::min(best.cpu, t.cpu);
  }
  const double ours = best.wall;
  std::printf("tuning %d s of a sung line (3 notes, Grace 40), %s:\n", SECONDS,
              pinned ? "pinned to one core" : "not pinned");
  std::printf("  cantora   %8.3f s  %7.1f x real time (%.3f s of CPU time, %.1f x)\n", ours,
              SECONDS / ours, best.cpu, SECONDS / best.cpu);

  char dir[] = "/tmp/cantora-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    std::printf("  rubberband: no temporary folder, skipped\n");
    return 0;
  }
  const std::string in = std::string(dir) + "/in.wav";
  const std::string out = std::string(dir) + "/out.wav";
  if (!writeWav(in, samples) || std::system("command -v rubberband >/dev/null 2>&1") != 0) {
    std::printf("  rubberband: not installed (Debian package rubberband-cli), skipped\n");
  } else {
    double reference = 1e30;
    for (int run = 0; run < 2; ++run) {
      const double t = runTool("rubberband -p 1 '" + in + "' '" + out + "' >/dev/null 2>&1");
      if (t > 0) reference = std::min(reference, t);
    }
    if (reference < 1e30) {
      std::printf("  rubberband %7.3f s  %7.1f x real time  (rubberband -p 1, whole process)\n",
                  reference, SECONDS / reference);
      std::printf("  cantora is %.1f times faster than rubberband -p 1\n", reference / ours);
    } else {
      std::printf("  rubberband failed, skipped\n");
    }
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
  rmdir(dir);
  return 0;
}
