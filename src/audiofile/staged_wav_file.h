// A WAV file written under a temporary name beside its target and renamed
// over the target only once it is complete, so that a save that fails part
// way (a full disk, a write error, an interruption) never destroys a file
// that was there before.
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/wav_writer.h"

namespace audiofile {

class StagedWavFile {
 public:
  StagedWavFile() = default;
  // A file neither committed nor abandoned is abandoned.
  ~StagedWavFile();
  StagedWavFile(const StagedWavFile&) = delete;
  StagedWavFile& operator=(const StagedWavFile&) = delete;

  // Creates the temporary file (".NAME.XXXXXX.tmp" in the target's folder)
  // with a header for `channels` and `sampleRate`. False when no file could be
  // created there (ENOMEM when memory ran out); lastError() then says why.
  bool create(const std::string& target, std::uint32_t channels, std::uint32_t sampleRate);

  // Writes one piece and adds what the file took to the writer's running
  // total. A failed or short write finishes the file at once and makes every
  // later write and the commit fail. False when this piece was not taken whole.
  bool write(const void* piece, std::uint32_t size);

  // Completes the header and renames the file over the target. False, removing
  // the temporary file and leaving the target as it was, when any write
  // failed or the file could not be completed or renamed. With
  // `keepPartial` a file whose writing failed part way still takes the
  // target's place, holding what was written, when its header is complete
  // (for data that exists nowhere else); the result is then still false.
  bool commit(bool keepPartial = false);
  // After a false commit with keepPartial: whether the partial file was kept.
  bool keptPartial() const { return keptPartial_; }
  // Removes the temporary file; the target stays as it was.
  void abandon();

  bool isOpen() const { return writer_.isOpen(); }
  int lastError() const { return error_; }

 private:
  bool createFile(const std::string& target, std::uint32_t channels, std::uint32_t sampleRate);

  WavWriter writer_;
  std::string target_;
  std::string temporary_;
  bool failed_ = false;
  bool keptPartial_ = false;
  int error_ = 0;
};

}  // namespace audiofile
