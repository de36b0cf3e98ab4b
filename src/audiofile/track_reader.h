// The track reader: reads a mapped file as a track of 44100 Hz blocks of
// IMPORT_BLOCK_FRAMES frames. Every block it returns is whole (a short one is
// padded with zeros), so a track read to the end is a whole number of blocks.
// The reader owns the mapped file and closes it as soon as the data is used up.
#pragma once

#include <cstdint>
#include <memory>

#include "audiofile/track_source.h"
#include "platform/mapped_file.h"

namespace audiofile {

class TrackReader {
 public:
  explicit TrackReader(std::unique_ptr<platform::MappedFile> file);
  ~TrackReader();
  TrackReader(const TrackReader&) = delete;
  TrackReader& operator=(const TrackReader&) = delete;

  // Opens the source. True when blocks can be read; on false the mapped file
  // has already been closed and refusal() says why.
  bool open();
  const ImportRefusal& refusal() const { return refusal_; }

  // Reads the next block into `dest` (bytesPerBlock() bytes) and returns
  // bytesPerBlock(), or 0 when the source had nothing more. `ended` is set
  // with the last block and on every read after it.
  std::uint32_t readBlock(std::int16_t* dest, bool& ended);

  std::uint32_t channels() const { return channels_; }
  // channels x 9216.
  std::uint32_t bytesPerBlock() const { return bytesPerBlock_; }
  std::uint64_t blockCount() const { return blockCount_; }
  // The open source, or none before a successful open.
  const TrackSource* source() const { return source_.get(); }

 private:
  void close();

  std::unique_ptr<platform::MappedFile> file_;
  std::unique_ptr<TrackSource> source_;
  std::uint32_t channels_ = 0;
  std::uint32_t bytesPerBlock_ = 0;
  std::uint64_t blockCount_ = 0;
  std::uint64_t nextBlock_ = 0;
  bool ended_ = false;
  ImportRefusal refusal_;
};

}  // namespace audiofile
