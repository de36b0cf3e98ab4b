// The one pass over an MPEG audio stream before it is decoded: it finds and
// confirms the first Layer III frame, then walks from frame to frame, repairs
// small damage, and records where every frame starts and how long it is. The
// index tells the decoder where its frames are and the importer how long the
// decoded track will be, without copying the data.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audiofile/import_refusal.h"

namespace audiofile {

inline constexpr std::uint32_t MPEG_INDEX_PAGE_ENTRIES = 1024;
// Bytes that must follow a candidate first header and its confirming neighbour.
inline constexpr std::uint32_t MPEG_SCAN_HEADROOM = 24;

struct MpegIndexPage {
  const unsigned char* starts[MPEG_INDEX_PAGE_ENTRIES];
  std::uint32_t lengths[MPEG_INDEX_PAGE_ENTRIES];
};

class MpegScan {
 public:
  // Scans length bytes at base and indexes every frame of the stream. Returns
  // the number of index pages in use, 0 when there is no usable stream (no
  // confirmed first frame, a free-format or MPEG-2.5 stream, a single frame)
  // or memory for the index ran out; refusal() then says which. May be
  // called once per object.
  std::uint32_t scan(const unsigned char* base, std::uint32_t length);
  const ImportRefusal& refusal() const { return refusal_; }

  std::uint32_t rate() const { return rate_; }
  std::uint32_t channels() const { return channels_; }
  bool mpeg1() const { return mpeg1_; }
  std::uint32_t frameCount() const { return frameCount_; }
  std::uint32_t pageCount() const { return static_cast<std::uint32_t>(pages_.size()); }
  // Decoded length in sample frames: every indexed frame's samples.
  std::uint64_t frames() const { return frames_; }
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
  bool freeFormatAt(const unsigned char* p) const;

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
  std::uint64_t frames_ = 0;
  ImportRefusal refusal_;
  bool sawFreeFormat_ = false;
};

}  // namespace audiofile
