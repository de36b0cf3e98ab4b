// The WAV writer: creates a RIFF/WAVE file, takes blocks of interleaved 16-bit
// samples and completes the header when the file is finished. The layout is
// fixed: an 18-byte "fmt " chunk, "fact" before "data", samples from offset 58.
// The header announces the channel count and rate the caller gives at create,
// so a mono track is written as a one-channel file.
#pragma once

#include <cstdint>

#include "platform/output_file.h"

namespace audiofile {

// Offset of the first sample in every file the writer makes.
inline constexpr std::uint32_t WAV_WRITER_DATA_OFFSET = 58;

class WavWriter {
 public:
  WavWriter() = default;
  // A writer destroyed while a file is open finishes it.
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates (or truncates) the file at `path` and writes the header with a
  // "fact" value of 0xFFFFFFFF and a data size of 0 until finish. With
  // `exclusive` an existing file makes create fail instead. Fails for a
  // channel count other than 1 or 2, a rate of 0, when a file is already open,
  // or when the file cannot be created or its header written; a file that was
  // created but could not be set up is removed again.
  bool create(const char* path, std::uint32_t channels, std::uint32_t sampleRate,
              bool exclusive = false);

  // Writes `size` bytes straight from the caller's block to the file; the
  // writer keeps no pointer to it after the call. Returns WAV_WRITE_OK with
  // `accepted` = size, or WAV_ERR_CANNOT_WRITE with `accepted` = 0 when no file
  // is open, the write failed (the file is cut back to where it was before the
  // block), or the block would take the file past the 4 GiB a RIFF size field
  // can describe.
  std::uint32_t writeBlock(const void* block, std::uint32_t size, std::uint32_t& accepted);

  // The running total of data bytes: the save workers add what each write
  // block reports; finish writes total / 2 as the "fact" sample count.
  void addToTotal(std::uint32_t bytes) { total_ += bytes; }
  std::uint32_t total() const { return total_; }

  // Patches the chunk sizes (padding an odd data size with one zero byte),
  // fills in "fact", closes the file and returns the running total. With no
  // file open it returns 0 and touches nothing.
  std::uint32_t finish();

  bool isOpen() const { return file_.isOpen(); }
  // Whether the last finish wrote the whole header and closed the file
  // cleanly; a caller that must not keep an incomplete file checks this.
  bool lastFinishComplete() const { return lastFinishComplete_; }
  // The system's error number of the last failed create, write or finish
  // (0 when none).
  int lastError() const { return lastError_; }

 private:
  bool writeAt(const void* bytes, std::uint64_t count, std::uint64_t offset);

  platform::OutputFile file_;
  std::uint32_t total_ = 0;
  // Bytes actually in the data chunk, which the chunk's size field records.
  std::uint64_t dataBytes_ = 0;
  bool lastFinishComplete_ = false;
  int lastError_ = 0;
};

}  // namespace audiofile
