// Files written in place: opened for writing with a UTF-8 name, written at
// given offsets (so a header can be patched once the data is in), cut back,
// closed, and put in place of another file. Always binary: no system turns
// line ends around. Failures give false with the system's error number
// (errno values) for the message.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file, or empties an existing one unless exclusive (then an
  // existing file is an error).
  bool create(const char* path, bool exclusive);
  bool isOpen() const { return fd_ >= 0; }
  // All of count bytes at offset, or false.
  bool writeAt(const void* bytes, std::uint64_t count, std::uint64_t offset);
  bool truncate(std::uint64_t length);
  // True for a plain file (not a device or pipe that happened to be named).
  bool isRegular() const;
  // False when the system reports that the data may not all have been
  // written; the file is closed either way.
  bool close();
  int lastError() const { return lastError_; }

 private:
  int fd_ = -1;
  int lastError_ = 0;
  // The end of what was written so far.
  std::uint64_t end_ = 0;
};

// Removes a file; false when it could not be removed.
bool removeFile(const char* path);

// Puts `from` in place of `to`, replacing a file already there; false with
// the error number in error otherwise.
bool replaceFile(const char* from, const char* to, int& error);

}  // namespace platform
