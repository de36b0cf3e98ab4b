// The virtual device's capture: everything it plays, written as a PCM WAV file
// in the device's own sample width, two channels interleaved. The sizes in the
// header are brought up to date whenever the device stops, so the file is
// whole after every run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace virtualdevice {

class CaptureFile {
 public:
  CaptureFile() = default;
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // Creates the file with an empty data chunk; false when it cannot.
  bool open(const std::string& path, std::int32_t sampleRate, std::int32_t sampleBytes);
  bool isOpen() const { return file_ != nullptr; }
  // Appends frames frames from the two channels' driver buffers (a null
  // channel is written as silence).
  void append(const void* left, const void* right, std::int32_t frames);
  // Writes the current sizes into the header.
  void finish();
  void close();

 private:
  std::FILE* file_ = nullptr;
  std::int32_t sampleBytes_ = 0;
  std::uint64_t dataBytes_ = 0;
  bool failed_ = false;
};

}  // namespace virtualdevice
