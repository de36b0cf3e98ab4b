#include "audiofile/piece_readers.h"

#include <new>

#include "audiofile/track_loader.h"
#include "audiofile/track_reader.h"

namespace audiofile {

PieceReaders::PieceReaders(const char* path, std::int16_t* samples, std::uint64_t blockCount,
                           std::uint32_t blockBytes, unsigned threads)
    : samples_(samples), blockBytes_(blockBytes), firstEnd_(blockCount) {
  const std::uint64_t count = threads < blockCount ? threads : blockCount;
  if (count < 2) return;
  try {
    pieces_.resize(count - 1);
    for (std::uint64_t i = 1; i < count; ++i) {
      Piece& piece = pieces_[i - 1];
      piece.first = blockCount * i / count;
      piece.end = blockCount * (i + 1) / count;
      ImportRefusal why;
      piece.reader = openTrackFile(path, why);
      if (!piece.reader || piece.reader->blockCount() != blockCount ||
          !piece.reader->seekBlock(piece.first)) {
        pieces_.clear();
        return;
      }
    }
    firstEnd_ = pieces_.front().first;
    threads_.reserve(pieces_.size());
    for (Piece& piece : pieces_) threads_.emplace_back([this, &piece] { run(piece); });
  } catch (const std::exception&) {
    // No memory or no thread: whatever started is stopped, and the loading
    // thread reads the whole track.
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    pieces_.clear();
    firstEnd_ = blockCount;
  }
}

PieceReaders::~PieceReaders() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  for (std::thread& t : threads_) t.join();
}

void PieceReaders::run(Piece& piece) {
  const std::uint64_t samplesPerBlock = blockBytes_ / 2;
  for (std::uint64_t block = piece.first; block < piece.end; ++block) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) break;
    }
    bool ended = false;
    const std::uint32_t bytes = piece.reader->readBlock(samples_ + block * samplesPerBlock, ended);
    std::lock_guard<std::mutex> lock(mutex_);
    if (bytes == 0) break;
    ++piece.done;
    changed_.notify_all();
    if (ended) break;
  }
  piece.reader.reset();
  std::lock_guard<std::mutex> lock(mutex_);
  piece.finished = true;
  changed_.notify_all();
}

bool PieceReaders::waitFor(std::uint64_t block) {
  for (Piece& piece : pieces_) {
    if (block >= piece.end) continue;
    if (block < piece.first) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return piece.first + piece.done > block || piece.finished; });
    return piece.first + piece.done > block;
  }
  return false;
}

}  // namespace audiofile
