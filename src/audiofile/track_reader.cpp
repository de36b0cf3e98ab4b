#include "audiofile/track_reader.h"

#include <new>

#include "audiofile/audiofile_constants.h"

namespace audiofile {

TrackReader::TrackReader(std::unique_ptr<platform::MappedFile> file) : file_(std::move(file)) {}

TrackReader::~TrackReader() {
  // The source reads out of the mapping, so it goes before the file.
  source_.reset();
  file_.reset();
}

void TrackReader::close() {
  if (file_) file_->unmap();
}

bool TrackReader::open() {
  refusal_ = ImportRefusal{};
  // The source belongs to the reader before it reads anything, so an open
  // abandoned part way leaves nothing behind once the reader is destroyed.
  source_.reset();
  bool opened = false;
  if (file_ && file_->size() > 0) {
    source_.reset(new (std::nothrow) TrackSource);
    if (source_) {
      opened = source_->open(file_->data(), file_->size(), &refusal_);
    } else {
      refuse(&refusal_, ImportReason::NoMemory);
    }
  } else {
    refuse(&refusal_, ImportReason::CannotRead);
  }
  if (!opened || source_->blockCount == 0) {
    if (opened) refuse(&refusal_, ImportReason::EmptyData);
    source_.reset();
    close();
    return false;
  }
  channels_ = source_->format.channels;
  blockCount_ = source_->blockCount;
  bytesPerBlock_ = channels_ * BLOCK_BYTES_PER_CHANNEL;
  nextBlock_ = 0;
  ended_ = false;
  return true;
}

bool TrackReader::seekBlock(std::uint64_t block) {
  if (ended_ || !source_ || nextBlock_ != 0 || block >= blockCount_ || !source_->seekBlock(block)) {
    close();
    ended_ = true;
    return false;
  }
  nextBlock_ = block;
  return true;
}

std::uint32_t TrackReader::readBlock(std::int16_t* dest, bool& ended) {
  ended = false;
  if (ended_ || !source_ || nextBlock_ >= blockCount_) {
    ++nextBlock_;
    ended = true;
    return 0;
  }
  const std::uint32_t frames = source_->readBlock(dest);
  ++nextBlock_;
  if (frames == 0 || nextBlock_ == blockCount_) {
    // Nothing more will be read out of the mapping.
    close();
    ended_ = true;
    ended = true;
    if (frames == 0) return 0;
  }
  return bytesPerBlock_;
}

}  // namespace audiofile
