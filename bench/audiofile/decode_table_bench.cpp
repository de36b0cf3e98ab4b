// The decoding table: how long opening a long file takes, peaks included, on
// one thread and on every core, beside the reference MP3 decoder (mpg123 -t,
// one thread) and sox converting a 48000 Hz WAV, all measured in one run on
// this machine. Each measurement runs in a child process of its own, so its
// peak memory is its own; wall time and CPU time are both given (on a loaded
// machine the CPU time is the steadier of the two), each the best of three
// runs, and the system's share of ours (supplying the track's fresh memory). The MP3s are made here
// with lame from synthesised audio: ten minutes of it encoded once per
// setting, the hour-long file being that stream six times over.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audiofile/track_loader.h"
#include "state/track_sizing.h"
#include "view/peaks.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned BASE_SECONDS = 600;

struct Measure {
  double wall = 0.0;  // seconds
  double cpu = 0.0;   // user + system seconds
  double system = 0.0;
  // Ours: the CPU time of the busiest thread (the loading thread, or the rest
  // shared by the other pieces): the wall time on idle cores.
  double busiest = 0.0;
  long peakKb = 0;
  bool ok = false;
};

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs `work` in a child process; its exit status says whether it succeeded.
// The child sends back the CPU time of its own main thread.
template <class Work>
Measure inChild(Work work) {
  Measure m;
  int fds[2];
  if (pipe(fds) != 0) return m;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const bool ok = work();
    rusage self{};
    getrusage(RUSAGE_THREAD, &self);
    const double main = seconds(self.ru_utime) + seconds(self.ru_stime);
    const bool sent = write(fds[1], &main, sizeof main) == static_cast<ssize_t>(sizeof main);
    _exit(ok && sent ? 0 : 1);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return m;
  }
  double main = 0.0;
  const bool got = read(fds[0], &main, sizeof main) == static_cast<ssize_t>(sizeof main);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return m;
  m.wall = std::chrono::duration<double>(Clock::now() - start).count();
  m.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  m.system = seconds(usage.ru_stime);
  m.busiest = got ? std::max(main, m.cpu - main) : m.cpu;
  m.peakKb = usage.ru_maxrss;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

Measure tool(const std::string& command) {
  return inChild([&] {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    return false;
  });
}

// Fills the peak array block by block as the desktop program's load does.
class PeakFiller : public audiofile::LoadObserver {
 public:
  void loadStarted(const std::int16_t* samples, std::uint32_t channels,
                   std::uint64_t totalBytes) override {
    samples_ = samples;
    channels_ = channels;
    const auto frames = static_cast<std::uint32_t>(totalBytes / 2 / channels);
    peaks_ = state::sizePeakArray(frames, channels, 1750, true);
  }
  bool blockRead(std::uint64_t producedBytes, std::uint64_t) override {
    const std::uint64_t frames = producedBytes / 2 / channels_;
    const std::uint32_t per = peaks_.framesPerPeak;
    if (!peaks_.peaks) return true;
    for (; (done_ + 1) * per <= frames; ++done_) {
      view::storePeakGroup(peaks_.peaks.get(), static_cast<std::uint32_t>(done_), channels_,
                           samples_ + done_ * per * channels_, per);
    }
    return true;
  }

 private:
  const std::int16_t* samples_ = nullptr;
  std::uint32_t channels_ = 1;
  state::PeakArray peaks_;
  std::uint64_t done_ = 0;
};

Measure ours(const std::string& path, unsigned threads) {
  return inChild([&] {
    audiofile::LoadedTrack track;
    PeakFiller peaks;
    return audiofile::loadTrack(path.c_str(), track, &peaks, nullptr, threads) ==
           audiofile::LoadStatus::Loaded;
  });
}

bool run(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void writeLe(std::ofstream& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(v >> (8 * i)));
}

// Chords changing every second with drum-like noise bursts (short blocks and
// a busy bit reservoir), `seconds` long at `rate`, stereo.
bool writeSource(const std::string& path, unsigned rate, unsigned secondsLong) {
  std::ofstream out(path, std::ios::binary);
  const std::uint32_t dataBytes = secondsLong * rate * 4;
  out.write("RIFF", 4);
  writeLe(out, dataBytes + 36, 4);
  out.write("WAVEfmt ", 8);
  writeLe(out, 16, 4);
  writeLe(out, 1, 2);
  writeLe(out, 2, 2);
  writeLe(out, rate, 4);
  writeLe(out, rate * 4, 4);
  writeLe(out, 4, 2);
  writeLe(out, 16, 2);
  out.write("data", 4);
  writeLe(out, dataBytes, 4);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const double pi = 3.141592653589793;
  std::vector<std::int16_t> second(std::size_t{rate} * 2);
  for (unsigned s = 0; s < secondsLong; ++s) {
    const double root = 110.0 * std::pow(2.0, (s * 5 % 12) / 12.0);
    for (unsigned i = 0; i < rate; ++i) {
      const double t = s + static_cast<double>(i) / rate;
      const double beat = std::exp(-static_cast<double>(i % (rate / 4)) / 800.0);
      for (unsigned ch = 0; ch < 2; ++ch) {
        const double v =
            0.18 * std::sin(2 * pi * root * t) + 0.12 * std::sin(2 * pi * root * 1.25 * t) +
            0.1 * std::sin(2 * pi * root * (ch ? 3.0 : 1.5) * t) + 0.35 * beat * noise(random);
        second[2 * i + ch] =
            static_cast<std::int16_t>(std::lround(std::max(-1.0, std::min(1.0, v)) * 32000));
      }
    }
    out.write(reinterpret_cast<const char*>(second.data()),
              static_cast<std::streamsize>(second.size() * 2));
  }
  return static_cast<bool>(out);
}

// `times` copies of `from` one after the other (MP3 frames join as they are).
bool repeat(const std::string& from, const std::string& to, int times) {
  std::string command = "cat";
  for (int i = 0; i < times; ++i) command += " '" + from + "'";
  return run(command + " > '" + to + "'");
}

constexpr int RUNS = 3;

// The run of least CPU time of RUNS.
template <class Run>
Measure best(Run run) {
  Measure kept = run();
  for (int i = 1; i < RUNS && kept.ok; ++i) {
    const Measure m = run();
    if (!m.ok || m.cpu < kept.cpu) kept = m;
  }
  return kept;
}

void row(const char* name, const Measure& one, const Measure& all, const Measure& peer,
         const char* peerName) {
  if (!one.ok || !all.ok || !peer.ok) {
    std::printf("%-22s failed (ours %d/%d, %s %d)\n", name, one.ok, all.ok, peerName, peer.ok);
    return;
  }
  std::printf(
      "%-20s %6.2f %6.2f %6.2f %5.2f %5.2f | %5.2f %5.2f %5.2f %5.2f %5.2f %5.2f %5.2f | %5ld "
      "%5ld %5ld\n",
      name, one.wall, all.wall, peer.wall, one.wall / peer.wall, all.wall / peer.wall, one.cpu,
      one.system, all.cpu, all.busiest, peer.cpu, one.cpu / peer.cpu, all.busiest / peer.cpu,
      one.peakKb / 1024, all.peakKb / 1024, peer.peakKb / 1024);
}

}  // namespace

int main() {
  if (!run("command -v lame mpg123 sox > /dev/null")) {
    std::fprintf(stderr, "decode_table_bench: lame, mpg123 and sox are needed\n");
    return 1;
  }
  char folder[] = "/tmp/cantora_decode_table.XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string dir = folder;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::string source = dir + "/source.wav";
  bool ok = writeSource(source, 44100, BASE_SECONDS);
  struct Setting {
    const char* name;
    const char* lame;
  };
  const Setting settings[] = {{"CBR 128", "-b 128"}, {"VBR V2", "-V 2"}, {"mono 64", "-m m -b 64"}};
  for (const Setting& s : settings) {
    const std::string mp3 = dir + "/" + s.name[0] + s.name[4] + ".mp3";
    ok = ok && run(std::string("lame --quiet -t ") + s.lame + " '" + source + "' '" + mp3 + "'");
    ok = ok && repeat(mp3, mp3 + ".hour.mp3", 6);
  }
  const std::string wav48 = dir + "/hour48.wav";
  ok = ok && writeSource(wav48, 48000, 6 * BASE_SECONDS);
  if (!ok) {
    std::fprintf(stderr, "decode_table_bench: could not make the test files in %s\n", folder);
    return 1;
  }

  std::printf(
      "seconds; ours on 1 thread and on all %u cores (peaks included), the peer on one\n"
      "thread, each the best of %d runs; wall time, then CPU time (sys 1: the system's\n"
      "part of cpu 1; busy: the busiest thread of the all-cores run, its wall time on\n"
      "idle cores); ratios ours / peer; peak memory in MiB\n",
      cores, RUNS);
  std::printf("%-20s %6s %6s %6s %5s %5s | %5s %5s %5s %5s %5s %5s %5s | %5s %5s %5s\n", "file",
              "1 thr", "all", "peer", "1/p", "all/p", "cpu 1", "sys 1", "cpu a", "busy", "cpu p",
              "1/p", "busy/p", "mem1", "mema", "memp");
  for (const char* length : {"10 min", "60 min"}) {
    for (const Setting& s : settings) {
      std::string mp3 = dir + "/" + s.name[0] + s.name[4] + ".mp3";
      if (length[0] == '6') mp3 += ".hour.mp3";
      const std::string name = std::string(s.name) + ", " + length;
      const Measure peer = best([&] { return tool("mpg123 -q -t '" + mp3 + "'"); });
      row(name.c_str(), best([&] { return ours(mp3, 1); }), best([&] { return ours(mp3, cores); }),
          peer, "mpg123");
    }
  }
  const Measure sox =
      best([&] { return tool("sox -q '" + wav48 + "' -r 44100 -t s16 /dev/null"); });
  row("WAV 48 kHz, 60 min", best([&] { return ours(wav48, 1); }),
      best([&] { return ours(wav48, cores); }), sox, "sox");
  std::printf("peer: mpg123 -t for the MP3s, sox (its default rate conversion) for the WAV\n");
  run("rm -rf '" + dir + "'");
  return 0;
}
