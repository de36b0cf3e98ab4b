#include "capture_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

namespace virtualdevice {

namespace {

constexpr std::uint64_t MAX_DATA_BYTES = 0xFFFFFFFFull - 36;
// The ring holds this long of audio at the device's rate.
constexpr std::uint64_t RING_SECONDS = 4;
// How often the writer looks for frames to write.
constexpr auto WRITER_PERIOD = std::chrono::milliseconds(10);

void putLe(unsigned char* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

CaptureFile::~CaptureFile() {
  close();
}

bool CaptureFile::open(const std::string& path, std::int32_t sampleRate, std::int32_t sampleBytes) {
  close();
  const std::uint32_t blockAlign = 2u * static_cast<std::uint32_t>(sampleBytes);
  ringBytes_ = RING_SECONDS * static_cast<std::uint64_t>(sampleRate) * blockAlign;
  ring_.reset(new (std::nothrow) unsigned char[ringBytes_]);
  if (!ring_) return false;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;
  sampleBytes_ = sampleBytes;
  queuedBytes_ = 0;
  fileBytes_ = 0;
  failed_ = false;
  ringWritten_ = 0;
  ringRead_ = 0;
  unsigned char header[44] = {};
  std::memcpy(header, "RIFF", 4);
  putLe(header + 4, 36, 4);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  putLe(header + 16, 16, 4);
  putLe(header + 20, 1, 2);  // PCM
  putLe(header + 22, 2, 2);
  putLe(header + 24, static_cast<std::uint32_t>(sampleRate), 4);
  putLe(header + 28, static_cast<std::uint32_t>(sampleRate) * blockAlign, 4);
  putLe(header + 32, blockAlign, 2);
  putLe(header + 34, 8u * static_cast<std::uint32_t>(sampleBytes), 2);
  std::memcpy(header + 36, "data", 4);
  if (std::fwrite(header, sizeof header, 1, file_) != 1) {
    close();
    return false;
  }
  ending_ = false;
  try {
    writer_ = std::thread([this] { write(); });
  } catch (const std::exception&) {
    // No thread, or no memory for one.
    close();
    return false;
  }
  return true;
}

void CaptureFile::append(const void* left, const void* right, std::int32_t frames) {
  if (file_ == nullptr || failed_.load(std::memory_order_relaxed) || frames <= 0) return;
  const auto bytes = static_cast<std::size_t>(sampleBytes_);
  const std::uint64_t chunk = 2ull * bytes * static_cast<std::size_t>(frames);
  // a RIFF file ends at 4 GiB: stop capturing there and keep what was written
  if (queuedBytes_ + chunk > MAX_DATA_BYTES || chunk > ringBytes_) {
    failed_ = true;
    return;
  }
  const std::uint64_t at = ringWritten_.load(std::memory_order_relaxed);
  // Only a writer a whole ring behind makes the clock wait: late beats lost.
  while (at + chunk - ringRead_.load(std::memory_order_acquire) > ringBytes_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const auto* l = static_cast<const unsigned char*>(left);
  const auto* r = static_cast<const unsigned char*>(right);
  // the ring holds whole frames, so a frame never wraps
  std::uint64_t position = at % ringBytes_;
  for (std::int32_t i = 0; i < frames; ++i) {
    unsigned char* frame = ring_.get() + position;
    const std::size_t from = static_cast<std::size_t>(i) * bytes;
    if (l != nullptr) {
      std::memcpy(frame, l + from, bytes);
    } else {
      std::memset(frame, 0, bytes);
    }
    if (r != nullptr) {
      std::memcpy(frame + bytes, r + from, bytes);
    } else {
      std::memset(frame + bytes, 0, bytes);
    }
    position += 2 * bytes;
    if (position == ringBytes_) position = 0;
  }
  queuedBytes_ += chunk;
  ringWritten_.store(at + chunk, std::memory_order_release);
}

void CaptureFile::drainLocked() {
  const std::uint64_t end = ringWritten_.load(std::memory_order_acquire);
  std::uint64_t from = ringRead_.load(std::memory_order_relaxed);
  while (from < end) {
    const std::uint64_t position = from % ringBytes_;
    const std::uint64_t run = std::min(end - from, ringBytes_ - position);
    if (!failed_.load(std::memory_order_relaxed)) {
      if (std::fwrite(ring_.get() + position, run, 1, file_) == 1) {
        fileBytes_ += run;
      } else {
        failed_ = true;
      }
    }
    from += run;
    ringRead_.store(from, std::memory_order_release);
  }
}

void CaptureFile::write() {
  std::unique_lock wakeGuard(wakeLock_);
  while (!ending_) {
    wake_.wait_for(wakeGuard, WRITER_PERIOD, [this] { return ending_; });
    wakeGuard.unlock();
    {
      std::lock_guard fileGuard(fileLock_);
      drainLocked();
    }
    wakeGuard.lock();
  }
}

void CaptureFile::finish() {
  if (file_ == nullptr) return;
  std::lock_guard fileGuard(fileLock_);
  drainLocked();
  unsigned char size[4];
  const long end = std::ftell(file_);
  // a file that cannot seek (a pipe) keeps the sizes it started with
  putLe(size, static_cast<std::uint32_t>(36 + fileBytes_), 4);
  if (std::fseek(file_, 4, SEEK_SET) == 0) {
    std::fwrite(size, 4, 1, file_);
    putLe(size, static_cast<std::uint32_t>(fileBytes_), 4);
    if (std::fseek(file_, 40, SEEK_SET) == 0) std::fwrite(size, 4, 1, file_);
    std::fseek(file_, end, SEEK_SET);
  }
  std::fflush(file_);
}

void CaptureFile::close() {
  if (writer_.joinable()) {
    {
      std::lock_guard wakeGuard(wakeLock_);
      ending_ = true;
    }
    wake_.notify_all();
    writer_.join();
  }
  if (file_ != nullptr) {
    finish();
    std::fclose(file_);
    file_ = nullptr;
  }
  ring_.reset();
}

}  // namespace virtualdevice
