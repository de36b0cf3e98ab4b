#include "capture_file.h"

#include <cstring>
#include <vector>

namespace virtualdevice {

namespace {

constexpr std::uint64_t MAX_DATA_BYTES = 0xFFFFFFFFull - 36;

void putLe(unsigned char* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

CaptureFile::~CaptureFile() {
  close();
}

bool CaptureFile::open(const std::string& path, std::int32_t sampleRate, std::int32_t sampleBytes) {
  close();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;
  sampleBytes_ = sampleBytes;
  dataBytes_ = 0;
  failed_ = false;
  const std::uint32_t blockAlign = 2u * static_cast<std::uint32_t>(sampleBytes);
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
  return true;
}

void CaptureFile::append(const void* left, const void* right, std::int32_t frames) {
  if (file_ == nullptr || failed_ || frames <= 0) return;
  const auto bytes = static_cast<std::size_t>(sampleBytes_);
  const std::uint64_t chunk = 2ull * bytes * static_cast<std::size_t>(frames);
  // a RIFF file ends at 4 GiB: stop capturing there and keep what was written
  if (dataBytes_ + chunk > MAX_DATA_BYTES) {
    failed_ = true;
    return;
  }
  unsigned char frame[8] = {};
  const auto* l = static_cast<const unsigned char*>(left);
  const auto* r = static_cast<const unsigned char*>(right);
  for (std::int32_t i = 0; i < frames; ++i) {
    const std::size_t at = static_cast<std::size_t>(i) * bytes;
    if (l != nullptr) {
      std::memcpy(frame, l + at, bytes);
    } else {
      std::memset(frame, 0, bytes);
    }
    if (r != nullptr) {
      std::memcpy(frame + bytes, r + at, bytes);
    } else {
      std::memset(frame + bytes, 0, bytes);
    }
    if (std::fwrite(frame, 2 * bytes, 1, file_) != 1) {
      failed_ = true;
      return;
    }
    dataBytes_ += 2 * bytes;
  }
}

void CaptureFile::finish() {
  if (file_ == nullptr) return;
  unsigned char size[4];
  const long end = std::ftell(file_);
  putLe(size, static_cast<std::uint32_t>(36 + dataBytes_), 4);
  std::fseek(file_, 4, SEEK_SET);
  std::fwrite(size, 4, 1, file_);
  putLe(size, static_cast<std::uint32_t>(dataBytes_), 4);
  std::fseek(file_, 40, SEEK_SET);
  std::fwrite(size, 4, 1, file_);
  std::fseek(file_, end, SEEK_SET);
  std::fflush(file_);
}

void CaptureFile::close() {
  if (file_ == nullptr) return;
  finish();
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace virtualdevice
