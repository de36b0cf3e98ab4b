#include "audiofile/piece_readers.h"

#include "audiofile/track_loader.h"
#include "audiofile/track_reader.h"
#include "platform/mapped_read_guard.h"

namespace audiofile {

PieceReaders::PieceReaders(const char* path, std::int16_t* samples, std::uint64_t blockCount,
                           std::uint32_t blockBytes, unsigned threads)
    : path_(path),
      samples_(samples),
      blockBytes_(blockBytes),
      blockCount_(blockCount),
      firstEnd_(blockCount) {
  const std::uint64_t count = threads < blockCount ? threads : blockCount;
  if (count < 2) return;
  try {
    pieces_.resize(count - 1);
    for (std::uint64_t i = 1; i < count; ++i) {
      pieces_[i - 1].first = blockCount * i / count;
      pieces_[i - 1].end = blockCount * (i + 1) / count;
    }
    firstEnd_ = pieces_.front().first;
    threads_.reserve(pieces_.size());
    for (Piece& piece : pieces_) threads_.emplace_back([this, &piece] { run(piece); });
  } catch (const std::exception&) {
    // No memory or no thread: whatever started is stopped, and the loading
    // thread reads the whole track.
    stopAll();
    pieces_.clear();
    firstEnd_ = blockCount;
  }
}

PieceReaders::~PieceReaders() {
  stopAll();
}

void PieceReaders::stopAll() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  for (std::thread& t : threads_) t.join();
  threads_.clear();
}

void PieceReaders::run(Piece& piece) {
  // Opening and moving to the piece (an MP3 passes every frame before it
  // through the bit reservoir) happen here, beside the other pieces. Every
  // read of the mapping runs guarded, so a file cut short by another program
  // fails the piece, and with it the load, instead of ending the program. The
  // reader lives outside the guarded reads: one abandoned part way is still
  // destroyed here with all it had allocated, and no lock is held meanwhile.
  ImportRefusal why;
  std::unique_ptr<TrackReader> reader = openTrackFile(path_.c_str(), why);
  bool started = false;
  bool cut = !platform::guardMappedReads([&] {
    // A file changed since the loading thread opened it shows as another length.
    started = reader && reader->blockCount() == blockCount_ && reader->seekBlock(piece.first);
  });
  const std::uint64_t samplesPerBlock = blockBytes_ / 2;
  for (std::uint64_t block = piece.first; started && !cut && block < piece.end; ++block) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) break;
    }
    bool ended = false;
    std::uint32_t bytes = 0;
    cut = !platform::guardMappedReads(
        [&] { bytes = reader->readBlock(samples_ + block * samplesPerBlock, ended); });
    std::lock_guard<std::mutex> lock(mutex_);
    if (cut || bytes == 0) break;
    ++piece.done;
    changed_.notify_all();
    if (ended) break;
  }
  reader.reset();
  std::lock_guard<std::mutex> lock(mutex_);
  piece.notStarted = !started && !cut;
  piece.cut = cut;
  piece.finished = true;
  changed_.notify_all();
}

PieceReaders::Block PieceReaders::waitFor(std::uint64_t block) {
  for (Piece& piece : pieces_) {
    if (block >= piece.end) continue;
    if (block < piece.first) return Block::Ended;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return piece.first + piece.done > block || piece.finished; });
    if (piece.first + piece.done > block) return Block::Read;
    if (piece.cut) return Block::Cut;
    return piece.notStarted ? Block::NotStarted : Block::Ended;
  }
  return Block::Ended;
}

}  // namespace audiofile
