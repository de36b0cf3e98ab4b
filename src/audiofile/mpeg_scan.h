// The one pass over an MPEG audio stream before it is decoded: it finds and
// confirms the first Layer III frame, then walks from frame to frame, repairs
// small damage, and records where every frame starts and how long it is. The
// index tells the decoder where its frames are and the importer how long the
// decoded track will be, without copying the data.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace audiofile {

inline constexpr std::uint32_t MPEG_INDEX_PAGE_ENTRIES = 1024;
inline constexpr std::uint32_t MPEG_INDEX_MAX_PAGES = 128;
inline constexpr std::uint32_t MPEG_INDEX_MAX_FRAMES =
    MPEG_INDEX_PAGE_ENTRIES * MPEG_INDEX_MAX_PAGES;
// Bytes that must follow a candidate first header and its confirming neighbour.
inline constexpr std::uint32_t MPEG_SCAN_HEADROOM = 24;

struct MpegIndexPage {
  const unsigned char* starts[MPEG_INDEX_PAGE_ENTRIES];
  std::uint32_t lengths[MPEG_INDEX_PAGE_ENTRIES];
};

class MpegScan {
 public:
  // Scans length bytes at base. Returns the number of index pages in use, 0
  // when there is no usable stream (no confirmed first frame, an MPEG-2.5
  // stream, or not a single frame). May be called once per object.
  std::uint32_t scan(const unsigned char* base, std::uint32_t length);

  std::uint32_t rate() const { return rate_; }
  std::uint32_t channels() const { return channels_; }
  bool mpeg1() const { return mpeg1_; }
  std::uint32_t frameCount() const { return frameCount_; }
  std::uint32_t pageCount() const { return static_cast<std::uint32_t>(pages_.size()); }
  // Decoded size in bytes and sample frames; one frame less than indexed,
  // because the decoder's output lags its input by a frame.
  std::uint32_t totalBytes() const { return totalBytes_; }
  std::uint32_t frames() const { return frames_; }
  // Offset of the first frame's header from base.
  std::uint32_t firstFrameOffset() const { return firstFrame_; }

  const unsigned char* frameStart(std::uint32_t i) const {
    return pages_[i / MPEG_INDEX_PAGE_ENTRIES]->starts[i % MPEG_INDEX_PAGE_ENTRIES];
  }
  std::uint32_t frameLength(std::uint32_t i) const {
    return pages_[i / MPEG_INDEX_PAGE_ENTRIES]->lengths[i % MPEG_INDEX_PAGE_ENTRIES];
  }
  // Frees the pages once their entries have been copied elsewhere.
  void releasePages() { pages_.clear(); }

 private:
  bool findFirstFrame(std::uint32_t from);
  void walk();
  bool agrees(std::uint32_t word) const;
  bool agreesAt(std::int64_t pos) const;
  // Finds where the walk goes on when no agreeing header stands at pos; false
  // when the stream is over.
  bool resynchronise(std::uint32_t& pos);
  bool record(std::uint32_t pos, std::uint32_t length);
  std::uint32_t& lastLength();
  void clearReference();

  const unsigned char* base_ = nullptr;
  std::uint32_t length_ = 0;
  std::uint32_t rate_ = 0;
  std::uint32_t channels_ = 0;
  bool mpeg1_ = true;
  std::uint32_t referenceWord_ = 0;
  std::uint32_t referenceLength_ = 0;
  std::uint32_t alternateWord_ = 0;
  std::uint32_t alternateLength_ = 0;
  bool alternateKnown_ = false;
  std::uint32_t firstFrame_ = 0;
  std::uint32_t frameCount_ = 0;
  std::vector<std::unique_ptr<MpegIndexPage>> pages_;
  std::uint32_t totalBytes_ = 0;
  std::uint32_t frames_ = 0;
};

}  // namespace audiofile
