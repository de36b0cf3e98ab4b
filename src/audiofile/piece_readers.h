// Reading one track on several threads. The track's blocks are cut into as
// many pieces of consecutive blocks as there are threads; every piece after
// the first gets a reader of its own (its own mapping of the file and its own
// decoder), opened and started at the piece's first block on a thread of its
// own, and fills its part of the
// track buffer while the loading thread reads the first piece. The loading thread then takes the
// other pieces' blocks in order as they come, so the blocks it reports are always a prefix of the
// track, byte for byte what one reader would have produced.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace audiofile {

class TrackReader;

class PieceReaders {
 public:
  // Cuts blockCount blocks into min(threads, blockCount) pieces and starts a
  // thread for every piece but the first; each opens its own reader there.
  // Without memory or threads no piece runs and the first is the whole track.
  PieceReaders(const char* path, std::int16_t* samples, std::uint64_t blockCount,
               std::uint32_t blockBytes, unsigned threads);
  // Stops the pieces still reading and waits for them.
  ~PieceReaders();
  PieceReaders(const PieceReaders&) = delete;
  PieceReaders& operator=(const PieceReaders&) = delete;

  // The blocks the loading thread reads itself, from block 0.
  std::uint64_t firstPieceBlocks() const { return firstEnd_; }

  enum class Block {
    Read,
    // The source ended before it: so would one reader.
    Ended,
    // Its piece's reader could not start there (the source cannot start in
    // the middle, or delivers less than it announced, or memory ran out):
    // every piece before it is finished, and the loading thread reads on
    // itself from the end of the first piece.
    NotStarted,
    // Its piece's reader found the file cut short under it: the load fails.
    Cut,
  };
  // Waits until block `block` (at or after firstPieceBlocks()) is read by its
  // piece, or its piece has finished without it.
  Block waitFor(std::uint64_t block);

 private:
  struct Piece {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    std::uint64_t done = 0;   // blocks read, under the mutex
    bool finished = false;    // no more blocks will come
    bool notStarted = false;  // the reader could not open or start at `first`
    bool cut = false;         // a read of the mapping found no file behind it
  };
  void run(Piece& piece);
  void stopAll();

  std::string path_;
  std::int16_t* samples_;
  std::uint32_t blockBytes_;
  std::uint64_t blockCount_;
  std::uint64_t firstEnd_;
  std::vector<Piece> pieces_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
};

}  // namespace audiofile
