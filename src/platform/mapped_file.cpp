#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

namespace platform {

std::unique_ptr<MappedFile> MappedFile::map(const char* path) {
  std::unique_ptr<MappedFile> file(new (std::nothrow) MappedFile);
  if (!file || path == nullptr) return file;
  // O_NONBLOCK so that naming a FIFO cannot hang the caller; anything but a
  // regular file is refused below anyway.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return file;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fd);
    return file;
  }
  const auto length = static_cast<std::size_t>(st.st_size);
  void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
  if (view == MAP_FAILED) {
    ::close(fd);
    return file;
  }
  // Imports walk the file from front to back once.
  ::madvise(view, length, MADV_SEQUENTIAL);
  file->fd_ = fd;
  file->view_ = static_cast<const unsigned char*>(view);
  file->size_ = length;
  return file;
}

MappedFile::~MappedFile() {
  unmap();
}

void MappedFile::unmap() {
  if (view_ != nullptr) ::munmap(const_cast<unsigned char*>(view_), size_);
  if (fd_ >= 0) ::close(fd_);
  view_ = nullptr;
  fd_ = -1;
  size_ = 0;
}

}  // namespace platform
