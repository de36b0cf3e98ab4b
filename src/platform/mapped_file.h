// A whole file mapped read-only into memory. Imports read straight out of the
// mapping instead of copying the file; a size of 0 means the file could not be
// opened or mapped, whatever the reason.
#pragma once

#include <cstddef>
#include <memory>

namespace platform {

class MappedFile {
 public:
  // Maps the whole of a regular file. Never fails as a call: a file that cannot
  // be read gives an object of size 0.
  static std::unique_ptr<MappedFile> map(const char* path);

  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Releases the view and closes the file; the size becomes 0. Harmless to
  // call twice.
  void unmap();

  std::size_t size() const { return size_; }
  // The first byte of the file, or none when the size is 0.
  const unsigned char* data() const { return view_; }

 private:
  MappedFile() = default;

  int fd_ = -1;
  const unsigned char* view_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace platform
