// Import of the files people have, beside the plain 16-bit path: one hour of
// 48000 Hz stereo as 16-bit and as 24-bit WAV (the 24-bit one is dithered to
// 16 bits on the way; aim: within 1.5 times the 16-bit time and memory), and
// one hour of 128 kbit/s MP3 (more frames than the index once held). Each
// import runs in a child process, so its peak memory is its own. The files are
// written to the temp folder at run time and removed.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audiofile/mpeg_scan.h"
#include "audiofile/track_loader.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t RATE = 48000;
constexpr std::uint32_t SECONDS = 3600;
constexpr int ROUNDS = 2;

struct Run {
  double seconds = -1;    // wall time of the import itself
  double cpuSeconds = 0;  // the child's processor time, start-up included
  double peakMb = 0;
};

void appendLe(std::vector<unsigned char>& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// One hour of a stereo sweep-like signal with `bytesPerSample` 2 or 3.
bool writeHourWav(const std::string& path, int bytesPerSample) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const std::uint32_t dataBytes = SECONDS * RATE * 2 * static_cast<std::uint32_t>(bytesPerSample);
  std::vector<unsigned char> b = {'R', 'I', 'F', 'F'};
  appendLe(b, 36 + dataBytes, 4);
  for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<unsigned char>(c));
  appendLe(b, 16, 4);
  appendLe(b, 1, 2);
  appendLe(b, 2, 2);
  appendLe(b, RATE, 4);
  appendLe(b, RATE * 2 * bytesPerSample, 4);
  appendLe(b, 2 * bytesPerSample, 2);
  appendLe(b, 8 * bytesPerSample, 2);
  for (char c : std::string("data")) b.push_back(static_cast<unsigned char>(c));
  appendLe(b, dataBytes, 4);
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  for (std::uint32_t s = 0; s < SECONDS && ok; ++s) {
    b.clear();
    for (std::uint32_t i = 0; i < 2 * RATE; ++i) {
      const std::uint32_t v = (i * 2654435761u + s * 40503u) >> 8;  // 24 bits of noise
      appendLe(b, bytesPerSample == 3 ? v : v >> 8, bytesPerSample);
    }
    ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  }
  return std::fclose(f) == 0 && ok;
}

// Ten seconds encoded by lame without bit reservoir, its frames repeated to
// an hour.
bool writeHourMp3(const std::string& path) {
  const std::string small = path + ".small.mp3";
  const std::string command =
      "sox -D -r 44100 -c 2 -n -t wav - synth 10 sine 300-3000 pinknoise "
      "vol 0.3 2>/dev/null | lame --quiet --nores -b 128 - '" +
      small + "'";
  if (std::system(command.c_str()) != 0) return false;
  std::FILE* in = std::fopen(small.c_str(), "rb");
  if (in == nullptr) return false;
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, in))
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(in);
  std::remove(small.c_str());
  audiofile::MpegScan scan;
  if (scan.scan(bytes.data(), static_cast<std::uint32_t>(bytes.size())) == 0) return false;
  const std::uint32_t last = scan.frameCount() - 1;
  const unsigned char* from = scan.frameStart(1);  // after lame's tag frame
  const std::size_t length =
      static_cast<std::size_t>(scan.frameStart(last) + scan.frameLength(last) - from);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool ok = true;
  for (std::uint32_t copy = 0; copy < SECONDS / 10 && ok; ++copy)
    ok = std::fwrite(from, 1, length, out) == length;
  return std::fclose(out) == 0 && ok;
}

// Imports `path` in a child process: its time and peak resident memory.
Run importInChild(const std::string& path) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    const auto start = Clock::now();
    audiofile::LoadedTrack track;
    const bool ok = audiofile::loadTrack(path.c_str(), track) == audiofile::LoadStatus::Loaded;
    double s = ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
    if (::write(pipeFds[1], &s, sizeof s) != sizeof s) s = -1;
    ::_exit(ok ? 0 : 1);
  }
  ::close(pipeFds[1]);
  Run run;
  if (::read(pipeFds[0], &run.seconds, sizeof run.seconds) != sizeof run.seconds) run.seconds = -1;
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || status != 0) return {};
  run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  // On a busy machine the processor time is the steadier measure.
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return run;
}

Run best(const std::string& path) {
  Run result;
  for (int r = 0; r < ROUNDS; ++r) {
    const Run run = importInChild(path);
    if (run.seconds < 0) return {};
    if (result.seconds < 0 || run.cpuSeconds < result.cpuSeconds) result = run;
  }
  return result;
}

void report(const char* name, const Run& run, const Run& base) {
  std::printf(
      "  %-26s %7.3f s wall %7.3f s cpu %6.0f MB peak   x%.2f cpu  x%.2f memory  %5.0f x "
      "real time\n",
      name, run.seconds, run.cpuSeconds, run.peakMb, run.cpuSeconds / base.cpuSeconds,
      run.peakMb / base.peakMb, SECONDS / run.cpuSeconds);
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = std::string(tmp != nullptr ? tmp : "/tmp") + "/cantora_wide_bench_" +
                           std::to_string(::getpid());
  const std::string wav16 = base + "_16.wav", wav24 = base + "_24.wav", mp3 = base + ".mp3";
  std::printf("Import of one hour of 48000 Hz stereo WAV, 16 and 24 bits, and of MP3\n");
  int failed = 0;
  if (writeHourWav(wav16, 2) && writeHourWav(wav24, 3)) {
    const Run r16 = best(wav16);
    std::remove(wav16.c_str());
    const Run r24 = best(wav24);
    std::remove(wav24.c_str());
    if (r16.seconds > 0 && r24.seconds > 0) {
      report("16-bit WAV", r16, r16);
      report("24-bit WAV (aim: x1.5)", r24, r16);
      if (writeHourMp3(mp3)) {
        const Run rMp3 = best(mp3);
        if (rMp3.seconds > 0) report("MP3 128 kbit/s, 44100 Hz", rMp3, r16);
      } else {
        std::printf("  MP3: not measured (sox and lame are needed to make the file)\n");
      }
      std::remove(mp3.c_str());
    } else {
      failed = 1;
    }
  } else {
    failed = 1;
  }
  std::remove(wav16.c_str());
  std::remove(wav24.c_str());
  if (failed != 0) std::fprintf(stderr, "wide_import_bench: a file could not be written or read\n");
  return failed;
}
