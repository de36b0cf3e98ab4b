// The pitch curve of a ten-minute sung track on one core (the work of the
// analysis worker and of `cantora-cli pitch`): its time against real time and
// against the tuning run over the same track, measured in the same run (the
// curve's analysis is one part of the tuning's work).
#include <sched.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "support/test_signals.h"
#include "tuning/pitch_curve_analysis.h"
#include "tuning/tune_selection.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int MINUTES = 10;
constexpr int RATE = 44100;
constexpr int TUNED_SECONDS = 60;  // the tuning is timed over the first minute

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::int16_t> singing(std::size_t frames) {
  const auto line = testsignals::voice({
      {{60, 35, 0.6}, {62, -28, 0.55}, {64, 40, 0.6}, {65, -32, 0.55}, {67, 22, 0.8}},
      {{69, -38, 0.6}, {67, 30, 0.55}, {64, -25, 0.6}, {62, 38, 0.55}, {60, -35, 0.8}},
  });
  std::vector<std::int16_t> samples;
  while (samples.size() < frames)
    samples.insert(samples.end(), line.samples.begin(), line.samples.end());
  samples.resize(frames);
  return samples;
}

}  // namespace

int main() {
  // One core, as the analysis worker has.
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  sched_setaffinity(0, sizeof one, &one);

  const std::size_t frames = static_cast<std::size_t>(MINUTES) * 60 * RATE;
  std::vector<std::int16_t> samples = singing(frames);
  const tuning::TrackSamples track{samples.data(), 1, static_cast<std::int64_t>(frames)};
  const std::int64_t hops =
      (static_cast<std::int64_t>(frames) + tuning::PITCH_CURVE_HOP - 1) / tuning::PITCH_CURVE_HOP;

  double best = 1e30;
  std::size_t voiced = 0;
  for (int round = 0; round < 3; ++round) {
    std::vector<tuning::PitchEstimate> curve;
    const auto start = Clock::now();
    if (!tuning::analysePitchCurve(track, 1, 0, hops, RATE, curve)) {
      std::fprintf(stderr, "pitch_curve_bench: out of memory\n");
      return 1;
    }
    best = std::min(best, secondsSince(start));
    voiced = 0;
    for (const auto& e : curve) voiced += e.voiced ? 1 : 0;
  }

  tuning::EngineParams params;
  params.noteEnabled = {true,  false, true,  true, false, true,
                        false, true,  false, true, false, true};
  const auto start = Clock::now();
  tuning::TuneSelection(params, track, {0, static_cast<std::int64_t>(TUNED_SECONDS) * RATE, 1});
  const double tuned = secondsSince(start) * (MINUTES * 60.0 / TUNED_SECONDS);

  std::printf(
      "pitch curve of %d minutes (%lld hops, %zu voiced) on one core: %.3f s, %.0fx real "
      "time (goal: under 1 s)\n",
      MINUTES, static_cast<long long>(hops), voiced, best, MINUTES * 60.0 / best);
  std::printf("tuning the same %d minutes (timed over %d s): %.3f s; the curve takes %.2f of it\n",
              MINUTES, TUNED_SECONDS, tuned, best / tuned);
  return 0;
}
