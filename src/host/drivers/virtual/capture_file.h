// The virtual device's capture: everything it plays, written as a PCM WAV file
// in the device's own sample width, two channels interleaved. The clock thread
// only copies its frames into a preallocated ring; a writer thread of the
// capture's own puts them on disk, so a slow disk never holds up the clock
// (unless it falls a whole ring behind: then the clock waits rather than lose
// a frame). The sizes in the header are brought up to date whenever the
// device stops, so the file is whole after every run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace virtualdevice {

class CaptureFile {
 public:
  CaptureFile() = default;
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // Creates the file with an empty data chunk and starts the writer; false
  // when either cannot be done.
  bool open(const std::string& path, std::int32_t sampleRate, std::int32_t sampleBytes);
  bool isOpen() const { return file_ != nullptr; }
  // Queues frames frames from the two channels' driver buffers (a null
  // channel is written as silence). One thread (the clock's) at a time; it
  // neither allocates nor writes to the file.
  void append(const void* left, const void* right, std::int32_t frames);
  // Writes everything queued and the current sizes into the header; call
  // when no append runs.
  void finish();
  void close();

 private:
  void write();
  // Writes what the ring holds; the caller holds fileLock_.
  void drainLocked();

  std::FILE* file_ = nullptr;
  std::int32_t sampleBytes_ = 0;
  std::uint64_t queuedBytes_ = 0;  // the clock's count
  std::uint64_t fileBytes_ = 0;    // data bytes on disk, under fileLock_
  std::atomic<bool> failed_{false};

  std::unique_ptr<unsigned char[]> ring_;
  std::uint64_t ringBytes_ = 0;
  std::atomic<std::uint64_t> ringWritten_{0};  // bytes ever queued
  std::atomic<std::uint64_t> ringRead_{0};     // bytes ever taken out

  std::mutex fileLock_;
  std::thread writer_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  bool ending_ = false;
};

}  // namespace virtualdevice
