// Output files on Windows: the C runtime's descriptors opened from UTF-16
// names, always in binary mode, and MoveFileEx for putting a file in place.
#include "platform/output_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/disk_space_limit.h"
#include "platform/win32/utf16_text.h"

namespace platform {

bool OutputFile::create(const char* path, bool exclusive) {
  std::wstring wide;
  if (fd_ >= 0 || path == nullptr) return false;
  lastError_ = 0;
  if (!toUtf16(path, wide) || wide.empty()) {
    lastError_ = EINVAL;
    return false;
  }
  const int flags =
      _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (exclusive ? _O_EXCL : _O_TRUNC);
  fd_ = _wopen(wide.c_str(), flags, _S_IREAD | _S_IWRITE);
  end_ = 0;
  if (fd_ < 0) lastError_ = errno;
  return fd_ >= 0;
}

bool OutputFile::writeAt(const void* bytes, std::uint64_t count, std::uint64_t offset) {
  // One writer per file: seeking and writing need no lock.
  if (_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
    lastError_ = errno;
    return false;
  }
  auto p = static_cast<const unsigned char*>(bytes);
  while (count > 0) {
    const std::uint64_t fits = diskRoomFor(count > INT_MAX ? INT_MAX : count, offset, end_);
    if (fits == 0) {
      lastError_ = ENOSPC;
      return false;
    }
    const int n = _write(fd_, p, static_cast<unsigned>(fits));
    if (n <= 0) {
      lastError_ = n < 0 ? errno : EIO;
      return false;
    }
    p += n;
    count -= static_cast<std::uint64_t>(n);
    offset += static_cast<std::uint64_t>(n);
    if (offset > end_) end_ = offset;
  }
  return true;
}

bool OutputFile::truncate(std::uint64_t length) {
  if (fd_ < 0 || _chsize_s(fd_, static_cast<__int64>(length)) != 0) return false;
  if (length < end_) end_ = length;
  return true;
}

bool OutputFile::isRegular() const {
  struct _stat64 st {};
  return fd_ >= 0 && _fstat64(fd_, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

bool OutputFile::close() {
  if (fd_ < 0) return true;
  const bool closed = _close(fd_) == 0;
  if (!closed) lastError_ = errno;
  fd_ = -1;
  return closed;
}

bool removeFile(const char* path) {
  std::wstring wide;
  return path != nullptr && toUtf16(path, wide) && DeleteFileW(wide.c_str()) != 0;
}

bool replaceFile(const char* from, const char* to, int& error) {
  std::wstring source;
  std::wstring target;
  if (!toUtf16(from, source) || !toUtf16(to, target)) {
    error = EINVAL;
    return false;
  }
  if (MoveFileExW(source.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
    return true;
  error = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

}  // namespace platform
