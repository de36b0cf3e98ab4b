#include "audiofile/mpeg_scan.h"

#include <cstring>
#include <new>
#include <utility>

#include "audiofile/mpeg_header.h"

namespace audiofile {
namespace {

// Bytes of a header word that must be present before it is read.
constexpr std::uint32_t HEADER_BYTES = 4;
// The walk ends when fewer bytes than this remain.
constexpr std::uint32_t WALK_MIN_BYTES = 8;
// The forward search of the last resynchronisation rule keeps this far from the end.
constexpr std::uint32_t SEARCH_TAIL = 16;

bool isTagMarker(const unsigned char* p) {
  return std::memcmp(p, "TAG", 3) == 0 || std::memcmp(p, "3DI", 3) == 0 ||
         std::memcmp(p, "ID3", 3) == 0;
}

}  // namespace

std::uint32_t MpegScan::scan(const unsigned char* base, std::uint32_t length) {
  base_ = base;
  length_ = base == nullptr ? 0 : length;
  std::uint32_t start = 0;
  if (length_ >= 10 && std::memcmp(base_, "ID3", 3) == 0) {
    const std::uint32_t size =
        (std::uint32_t{base_[6]} & 0x7F) << 21 | (std::uint32_t{base_[7]} & 0x7F) << 14 |
        (std::uint32_t{base_[8]} & 0x7F) << 7 | (std::uint32_t{base_[9]} & 0x7F);
    start = 10 + size;
  }
  if (!findFirstFrame(start)) {
    if (refusal_.reason == ImportReason::None)
      refuse(&refusal_, sawFreeFormat_ ? ImportReason::FreeFormat : ImportReason::NotAudio);
    return 0;
  }
  walk();
  if (refusal_.reason == ImportReason::None && (frameCount_ < 2 || channels_ == 0))
    refuse(&refusal_, ImportReason::TooFewFrames);
  if (refusal_.reason != ImportReason::None) {
    pages_.clear();
    frameCount_ = 0;
    return 0;
  }
  frames_ = std::uint64_t{frameCount_} * static_cast<std::uint32_t>(samplesPerFrame(mpeg1_));
  return pageCount();
}

void MpegScan::clearReference() {
  referenceWord_ = 0;
  referenceLength_ = 0;
  rate_ = 0;
  channels_ = 0;
}

bool MpegScan::agrees(std::uint32_t word) const {
  if (!isUsableLayer3Header(word)) return false;
  if (referenceWord_ == 0) return true;
  const MpegHeader h = decodeMpegHeader(word);
  return h.sampleRate == rate_ && static_cast<std::uint32_t>(h.channels) == channels_;
}

bool MpegScan::agreesAt(std::int64_t pos) const {
  if (pos < 0 || pos + HEADER_BYTES > length_) return false;
  return agrees(headerWordAt(base_ + pos));
}

// A free-format header (bit-rate index 0) that is otherwise a usable Layer III
// header, followed somewhere within a frame's reach by the same word: such
// streams are never decoded, but the refusal says what they are.
bool MpegScan::freeFormatAt(const unsigned char* p) const {
  const std::uint32_t word = headerWordAt(p);
  if ((word & 0xF000u) != 0 || !isUsableLayer3Header(word | 0x1000u)) return false;
  constexpr std::uint32_t REACH = 2900;  // longer than any free-format frame
  const unsigned char* end = base_ + length_ - HEADER_BYTES;
  for (const unsigned char* q = p + 24; q < end && q < p + REACH; ++q)
    if (q[0] == 0xFF && headerWordAt(q) == word) return true;
  return false;
}

bool MpegScan::findFirstFrame(std::uint32_t from) {
  for (std::uint64_t pos = from; pos + MPEG_SCAN_HEADROOM <= length_; ++pos) {
    const unsigned char* p = base_ + pos;
    if (p[0] != 0xFF || (p[1] & 0xE6) != 0xE2) continue;
    const std::uint32_t word = headerWordAt(p);
    if (!sawFreeFormat_ && (word & 0xF000u) == 0) sawFreeFormat_ = freeFormatAt(p);
    if (isUsableLayer3Header(word)) {
      const MpegHeader h = decodeMpegHeader(word);
      referenceWord_ = word;
      referenceLength_ = mpegFrameLength(h);
      rate_ = h.sampleRate;
      channels_ = static_cast<std::uint32_t>(h.channels);
      mpeg1_ = h.mpeg1;
      const std::uint64_t next = pos + referenceLength_;
      if (next + MPEG_SCAN_HEADROOM <= length_) {
        const std::uint32_t nextWord = headerWordAt(base_ + next);
        if (nextWord == referenceWord_ || agrees(nextWord)) {
          firstFrame_ = static_cast<std::uint32_t>(pos);
          return true;
        }
      }
      clearReference();
      continue;
    }
    std::uint32_t length25 = 0;
    if ((p[1] & 0xF0) == 0xE0 && isMpeg25Layer3Header(word, &length25)) {
      const std::uint64_t next = pos + length25;
      if (next + MPEG_SCAN_HEADROOM <= length_) {
        const std::uint32_t nextWord = headerWordAt(base_ + next);
        if (nextWord == word || isMpeg25Layer3Header(nextWord, nullptr))
          return refuse(&refusal_, ImportReason::Mpeg25);
      }
      clearReference();
    }
  }
  return false;
}

std::uint32_t& MpegScan::lastLength() {
  const std::uint32_t i = frameCount_ - 1;
  return pages_[i / MPEG_INDEX_PAGE_ENTRIES]->lengths[i % MPEG_INDEX_PAGE_ENTRIES];
}

bool MpegScan::resynchronise(std::uint32_t& pos) {
  if (pos + 3 <= length_ && isTagMarker(base_ + pos)) return false;
  if (frameCount_ > 0) {
    // Off-by-one and off-by-two frame lengths are put right on the frame before.
    static constexpr int SHIFTS[4] = {-1, -2, 1, 2};
    for (const int shift : SHIFTS) {
      if (!agreesAt(static_cast<std::int64_t>(pos) + shift)) continue;
      std::uint32_t& last = lastLength();
      last = static_cast<std::uint32_t>(static_cast<std::int64_t>(last) + shift);
      pos = static_cast<std::uint32_t>(static_cast<std::int64_t>(pos) + shift);
      return true;
    }
  }
  for (std::uint64_t search = std::uint64_t{pos} + 3;
       length_ >= SEARCH_TAIL && search < length_ - SEARCH_TAIL; ++search) {
    const unsigned char* p = base_ + search;
    if (p[0] == 0xFF && (p[1] & 0xF6) == 0xF2 && agrees(headerWordAt(p))) {
      pos = static_cast<std::uint32_t>(search);
      return true;
    }
  }
  return false;
}

bool MpegScan::record(std::uint32_t pos, std::uint32_t length) {
  if (frameCount_ % MPEG_INDEX_PAGE_ENTRIES == 0) {
    // The index grows with the stream; when memory runs out the whole scan
    // fails rather than leave the track silently shorter than the file.
    std::unique_ptr<MpegIndexPage> page(new (std::nothrow) MpegIndexPage());
    if (!page) return refuse(&refusal_, ImportReason::NoMemory);
    try {
      pages_.push_back(std::move(page));
    } catch (const std::bad_alloc&) {
      return refuse(&refusal_, ImportReason::NoMemory);
    }
  }
  const std::uint32_t slot = frameCount_ % MPEG_INDEX_PAGE_ENTRIES;
  pages_.back()->starts[slot] = base_ + pos;
  pages_.back()->lengths[slot] = length;
  ++frameCount_;
  return true;
}

void MpegScan::walk() {
  std::uint32_t pos = firstFrame_;
  while (length_ - pos >= WALK_MIN_BYTES) {
    const std::uint32_t word = headerWordAt(base_ + pos);
    std::uint32_t length = 0;
    if (word == referenceWord_) {
      length = referenceLength_;
    } else if (alternateKnown_ && word == alternateWord_) {
      length = alternateLength_;
    } else if (agrees(word)) {
      length = mpegFrameLength(decodeMpegHeader(word));
      if (!alternateKnown_) {
        alternateKnown_ = true;
        alternateWord_ = word;
        alternateLength_ = length;
      }
    } else {
      if (!resynchronise(pos)) return;
      continue;
    }
    const bool cut = length > length_ - pos;
    if (!record(pos, cut ? length_ - pos : length)) return;
    pos = cut ? length_ : pos + length;
  }
}

}  // namespace audiofile
