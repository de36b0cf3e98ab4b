// Reading one track on several threads. The track's blocks are cut into as
// many pieces of consecutive blocks as there are threads; every piece after
// the first gets a reader of its own (its own mapping of the file and its own
// decoder), started at the piece's first block, and fills its part of the
// track buffer on a thread of its own while the loading thread reads the
// first piece. The loading thread then takes the other pieces' blocks in
// order as they come, so the blocks it reports are always a prefix of the
// track, byte for byte what one reader would have produced.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audiofile {

class TrackReader;

class PieceReaders {
 public:
  // Cuts blockCount blocks into min(threads, blockCount) pieces and starts
  // every piece but the first. When a reader cannot start where its piece
  // begins (the source cannot start in the middle, or memory runs out), no
  // piece runs and the first piece is the whole track.
  PieceReaders(const char* path, std::int16_t* samples, std::uint64_t blockCount,
               std::uint32_t blockBytes, unsigned threads);
  // Stops the pieces still reading and waits for them.
  ~PieceReaders();
  PieceReaders(const PieceReaders&) = delete;
  PieceReaders& operator=(const PieceReaders&) = delete;

  // The blocks the loading thread reads itself, from block 0.
  std::uint64_t firstPieceBlocks() const { return firstEnd_; }

  // Waits until block `block` (at or after firstPieceBlocks()) has been read
  // by its piece; false when the source ended before it.
  bool waitFor(std::uint64_t block);

 private:
  struct Piece {
    std::unique_ptr<TrackReader> reader;
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    std::uint64_t done = 0;  // blocks read, under the mutex
    bool finished = false;   // no more blocks will come
  };
  void run(Piece& piece);

  std::int16_t* samples_;
  std::uint32_t blockBytes_;
  std::uint64_t firstEnd_;
  std::vector<Piece> pieces_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
};

}  // namespace audiofile
