#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/disk_space_limit.h"

namespace platform {

bool OutputFile::create(const char* path, bool exclusive) {
  if (fd_ >= 0 || path == nullptr) return false;
  lastError_ = 0;
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
  fd_ = ::open(path, flags, 0666);
  end_ = 0;
  if (fd_ < 0) lastError_ = errno;
  return fd_ >= 0;
}

bool OutputFile::writeAt(const void* bytes, std::uint64_t count, std::uint64_t offset) {
  auto p = static_cast<const unsigned char*>(bytes);
  while (count > 0) {
    const std::uint64_t fits = diskRoomFor(count, offset, end_);
    if (fits == 0) {
      lastError_ = ENOSPC;
      return false;
    }
    const ssize_t n = ::pwrite(fd_, p, fits, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      return false;
    }
    if (n == 0) {
      lastError_ = EIO;
      return false;
    }
    p += n;
    offset += static_cast<std::uint64_t>(n);
    count -= static_cast<std::uint64_t>(n);
    if (offset > end_) end_ = offset;
  }
  return true;
}

bool OutputFile::truncate(std::uint64_t length) {
  if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(length)) != 0) return false;
  if (length < end_) end_ = length;
  return true;
}

bool OutputFile::isRegular() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
}

bool OutputFile::close() {
  if (fd_ < 0) return true;
  const bool closed = ::close(fd_) == 0;
  if (!closed) lastError_ = errno;
  fd_ = -1;
  return closed;
}

bool removeFile(const char* path) {
  return path != nullptr && ::unlink(path) == 0;
}

bool replaceFile(const char* from, const char* to, int& error) {
  if (std::rename(from, to) == 0) return true;
  error = errno;
  return false;
}

}  // namespace platform
