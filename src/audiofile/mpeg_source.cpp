#include "audiofile/mpeg_source.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "audiofile/audiofile_constants.h"
#include "audiofile/layer3_decoder.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_scan.h"
#include "audiofile/mpeg_tag.h"

namespace audiofile {

namespace {

// The converter's window holds two decoded frames, plus the history (three
// frames of two channels) a refill carries over.
constexpr std::uint32_t WINDOW_DECODED_FRAMES = 2;
constexpr std::uint32_t WINDOW_HISTORY_ROOM = 6;

template <typename T>
std::unique_ptr<T[]> allocate(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

class MpegSource final : public SourceStream, private ConverterWindow {
 public:
  bool open(const unsigned char* data, std::size_t size, ImportRefusal* why) {
    if (size > 0xFFFFFFFFu) size = 0xFFFFFFFFu;
    MpegScan scan;
    if (scan.scan(data, static_cast<std::uint32_t>(size)) == 0) {
      if (why != nullptr) *why = scan.refusal();
      return false;
    }
    const MpegEncoderTag tag = readEncoderTag(scan.frameStart(0), scan.frameLength(0));
    // The tag frame carries no audio: the decoder starts after it.
    const std::uint32_t first = tag.kind == MpegTagKind::None ? 0 : 1;
    frameCount_ = scan.frameCount() - first;
    // Room rounded as the index pages are: a multiple of 4 above the count.
    const std::size_t capacity = (frameCount_ / 4) * 4 + 4;
    starts_ = allocate<const unsigned char*>(capacity);
    lengths_ = allocate<std::uint32_t>(capacity);
    taken_ = allocate<std::uint32_t>(capacity);
    if (!starts_ || !lengths_ || !taken_) return refuse(why, ImportReason::NoMemory);
    for (std::uint32_t i = 0; i < frameCount_; ++i) {
      starts_[i] = scan.frameStart(first + i);
      lengths_[i] = scan.frameLength(first + i);
    }
    const MpegHeader header = decodeMpegHeader(headerWordAt(scan.frameStart(0)));
    scan.releasePages();
    channels_ = scan.channels();
    frameFrames_ = static_cast<std::uint32_t>(samplesPerFrame(header.mpeg1));
    frameBuffer_ = allocate<std::int16_t>(std::size_t{frameFrames_} * channels_);
    if (!frameBuffer_) return refuse(why, ImportReason::NoMemory);
    decoder_ = Layer3Decoder::create(starts_.get(), lengths_.get(), taken_.get(), frameCount_,
                                     header.mpeg1, header.rateIndex, static_cast<int>(channels_));
    if (!decoder_) return refuse(why, ImportReason::NoMemory);

    std::uint64_t frames = std::uint64_t{frameCount_} * frameFrames_;
    if (tag.kind == MpegTagKind::Lame) {
      skip_ = tag.delay + MPEG_DECODER_DELAY;
      const std::uint64_t trimmed = std::uint64_t{tag.delay} + tag.padding;
      frames = frames > trimmed ? frames - trimmed : 0;
    }
    if (frames == 0) return refuse(why, ImportReason::TooFewFrames);
    if (frames > 0xFFFFFFFFu) return refuse(why, ImportReason::TooLong);
    remaining_ = frames;
    format_ = SourceFormat{KIND_MPEG, channels_, scan.rate(), static_cast<std::uint32_t>(frames)};
    format_.mpegVersion = header.mpeg1 ? 1 : 2;
    format_.indexedFrames = scan.frameCount();
    format_.mpegTag = tag.kind;
    format_.encoderDelay = tag.delay;
    format_.encoderPadding = tag.padding;
    return true;
  }

  std::uint32_t readDirectBlock(std::int16_t* dest) override {
    const std::uint32_t filled = pull(dest, IMPORT_BLOCK_FRAMES);
    std::fill(dest + std::size_t{filled} * channels_,
              dest + std::size_t{IMPORT_BLOCK_FRAMES} * channels_, std::int16_t{0});
    return filled;
  }

  ConverterWindow& converterWindow() override { return *this; }

 private:
  // Decodes frames from the next one on into the frame buffer until one
  // produces samples that are not skipped; false when the stream has no more.
  bool decodeNext() {
    while (nextFrame_ < frameCount_) {
      std::uint32_t produced = 0;
      decoder_->decode(nextFrame_++, frameBuffer_.get(), &produced);
      if (produced == 0) continue;
      const std::uint32_t skipped = std::min(skip_, frameFrames_);
      skip_ -= skipped;
      if (skipped == frameFrames_) continue;
      bufferPos_ = skipped;
      bufferEnd_ = frameFrames_;
      return true;
    }
    return false;
  }

  // Up to maxFrames frames of the trimmed stream into dest; the frames written.
  std::uint32_t pull(std::int16_t* dest, std::uint32_t maxFrames) {
    std::uint32_t done = 0;
    while (done < maxFrames && remaining_ > 0) {
      if (bufferPos_ == bufferEnd_ && !decodeNext()) break;
      const std::uint32_t take = static_cast<std::uint32_t>(
          std::min<std::uint64_t>({bufferEnd_ - bufferPos_, maxFrames - done, remaining_}));
      std::memcpy(dest + std::size_t{done} * channels_,
                  frameBuffer_.get() + std::size_t{bufferPos_} * channels_,
                  std::size_t{take} * channels_ * sizeof(std::int16_t));
      bufferPos_ += take;
      done += take;
      remaining_ -= take;
    }
    return done;
  }

  std::size_t windowSamples() const {
    return std::size_t{channels_} * WINDOW_DECODED_FRAMES * frameFrames_ + WINDOW_HISTORY_ROOM;
  }

  bool reset(std::uint32_t history) override {
    if (history > WINDOW_HISTORY_ROOM) return false;
    history_ = history;
    if (!window_) window_ = allocate<std::int16_t>(windowSamples());
    if (!window_) return false;
    std::fill(window_.get(), window_.get() + windowSamples(), std::int16_t{0});
    const std::uint32_t frames = pull(window_.get(), WINDOW_DECODED_FRAMES * frameFrames_);
    limit_ = static_cast<std::int64_t>(frames) * channels_ - history_;
    return true;
  }

  const unsigned char* samples() const override {
    return reinterpret_cast<const unsigned char*>(window_.get());
  }
  std::int64_t limit() const override { return limit_; }

  // Keeps the samples from the limit on and decodes one more frame after them.
  bool refill() override {
    if (limit_ < 0 || remaining_ == 0 || (bufferPos_ == bufferEnd_ && nextFrame_ >= frameCount_))
      return false;
    std::int16_t* w = window_.get();
    std::memmove(w, w + limit_, std::size_t{history_} * sizeof(std::int16_t));
    const std::uint32_t added = pull(w + history_, frameFrames_);
    if (added == 0) return false;
    limit_ = static_cast<std::int64_t>(added) * channels_;
    return true;
  }

  std::uint32_t frameCount_ = 0;
  std::uint32_t nextFrame_ = 0;
  std::uint32_t channels_ = 0;
  std::uint32_t frameFrames_ = 0;  // sample frames per decoded MPEG frame
  std::unique_ptr<const unsigned char*[]> starts_;
  std::unique_ptr<std::uint32_t[]> lengths_;
  std::unique_ptr<std::uint32_t[]> taken_;
  std::unique_ptr<Layer3Decoder> decoder_;
  // The last decoded frame and the part of it not yet delivered.
  std::unique_ptr<std::int16_t[]> frameBuffer_;
  std::uint32_t bufferPos_ = 0;
  std::uint32_t bufferEnd_ = 0;
  // Sample frames still to be left out at the start, and still to deliver.
  std::uint32_t skip_ = 0;
  std::uint64_t remaining_ = 0;
  std::unique_ptr<std::int16_t[]> window_;
  std::uint32_t history_ = 0;
  std::int64_t limit_ = -1;
};

}  // namespace

std::unique_ptr<SourceStream> openMpegSource(const unsigned char* data, std::size_t size,
                                             ImportRefusal* why) {
  std::unique_ptr<MpegSource> source;
  if (data == nullptr || size == 0) {
    refuse(why, ImportReason::NotAudio);
  } else if (source.reset(new (std::nothrow) MpegSource()); !source) {
    refuse(why, ImportReason::NoMemory);
  } else if (!source->open(data, size, why)) {
    source.reset();
  }
  return source;
}

}  // namespace audiofile
