// PCM import of a one-hour 44100 Hz stereo WAV file against the physical
// limit: a plain copy of the same bytes out of the same kind of mapping into a
// fresh buffer. The file is written to the temp folder at run time and removed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "audiofile/track_loader.h"
#include "audiofile/wav_writer.h"
#include "platform/mapped_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t RATE = 44100;
constexpr std::uint32_t SECONDS = 3600;
constexpr int ROUNDS = 5;

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

bool writeHourFile(const std::string& path) {
  audiofile::WavWriter writer;
  if (!writer.create(path.c_str(), 2, RATE)) return false;
  std::vector<std::int16_t> block(2 * RATE);
  for (std::uint32_t s = 0; s < SECONDS; ++s) {
    for (std::size_t i = 0; i < block.size(); ++i)
      block[i] = static_cast<std::int16_t>((i * 37 + s * 101) & 0x7FFF);
    std::uint32_t accepted = 0;
    if (writer.writeBlock(block.data(), static_cast<std::uint32_t>(block.size() * 2), accepted) !=
        0)
      return false;
    writer.addToTotal(accepted);
  }
  writer.finish();
  return writer.lastFinishComplete();
}

// Maps the file and copies its data into a new buffer, touching it as the
// import does.
double plainCopy(const std::string& path, std::uint64_t& checksum) {
  const auto start = Clock::now();
  auto file = platform::MappedFile::map(path.c_str());
  const std::size_t bytes = file->size() - 58;
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes]);
  if (!buffer) return -1;
  std::memcpy(buffer.get(), file->data() + 58, bytes);
  file->unmap();
  const auto end = Clock::now();
  checksum += buffer[bytes / 3];
  return seconds(start, end);
}

double import(const std::string& path, std::uint64_t& checksum) {
  const auto start = Clock::now();
  audiofile::LoadedTrack track;
  if (audiofile::loadTrack(path.c_str(), track) != audiofile::LoadStatus::Loaded) return -1;
  const auto end = Clock::now();
  checksum += static_cast<std::uint16_t>(track.samples[track.frameCount / 3]);
  return seconds(start, end);
}

}  // namespace

int main() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/cantora_import_bench_" +
                           std::to_string(::getpid()) + ".wav";
  std::printf("PCM import of one hour of 44100 Hz stereo (%.0f MB)\n", SECONDS * RATE * 4.0 / 1e6);
  if (!writeHourFile(path)) {
    std::remove(path.c_str());
    std::fprintf(stderr, "import_bench: could not write %s\n", path.c_str());
    return 1;
  }
  std::uint64_t checksum = 0;
  double bestCopy = 1e30;
  double bestImport = 1e30;
  // Warm the page cache once, then alternate so both see the same conditions.
  plainCopy(path, checksum);
  for (int r = 0; r < ROUNDS; ++r) {
    const double c = plainCopy(path, checksum);
    const double i = import(path, checksum);
    if (c < 0 || i < 0) {
      std::remove(path.c_str());
      std::fprintf(stderr, "import_bench: a run failed\n");
      return 1;
    }
    bestCopy = std::min(bestCopy, c);
    bestImport = std::min(bestImport, i);
  }
  std::remove(path.c_str());
  std::printf("  plain copy out of the mapping  %.3f s\n", bestCopy);
  std::printf("  import (loadTrack)             %.3f s\n", bestImport);
  std::printf("  import / plain copy            %.2f   (aim: at most 1.5)\n",
              bestImport / bestCopy);
  std::printf("  import speed                   %.0f x real time   (checksum %llu)\n",
              SECONDS / bestImport, static_cast<unsigned long long>(checksum));
  return 0;
}
