#include "audiofile/mpeg_source.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "audiofile/audiofile_constants.h"
#include "audiofile/layer3_decoder.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_scan.h"

namespace audiofile {

namespace {

// Samples per channel of an MPEG-1 frame; the converter's window holds two.
constexpr std::uint32_t WINDOW_FRAMES = 2 * 1152;

template <typename T>
std::unique_ptr<T[]> allocate(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

class MpegSource final : public SourceStream, private ConverterWindow {
 public:
  bool open(const unsigned char* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) size = 0xFFFFFFFFu;
    MpegScan scan;
    if (scan.scan(data, static_cast<std::uint32_t>(size)) == 0) return false;
    frameCount_ = scan.frameCount();
    // Room rounded as the index pages are: a multiple of 4 above the count.
    const std::size_t capacity = (frameCount_ / 4) * 4 + 4;
    starts_ = allocate<const unsigned char*>(capacity);
    lengths_ = allocate<std::uint32_t>(capacity);
    taken_ = allocate<std::uint32_t>(capacity);
    if (!starts_ || !lengths_ || !taken_) return false;
    for (std::uint32_t i = 0; i < frameCount_; ++i) {
      starts_[i] = scan.frameStart(i);
      lengths_[i] = scan.frameLength(i);
    }
    const MpegHeader first = decodeMpegHeader(headerWordAt(scan.frameStart(0)));
    scan.releasePages();
    channels_ = scan.channels();
    frameSamples_ = static_cast<std::uint32_t>(samplesPerFrame(first.mpeg1)) * channels_;
    decoder_ = Layer3Decoder::create(starts_.get(), lengths_.get(), taken_.get(), frameCount_,
                                     first.mpeg1, first.rateIndex, static_cast<int>(channels_));
    if (!decoder_) return false;
    format_ = SourceFormat{KIND_MPEG, channels_, scan.rate(), scan.frames()};
    format_.mpegVersion = first.mpeg1 ? 1 : 2;
    format_.indexedFrames = frameCount_;
    return true;
  }

  // MPEG direct: used at 44100 Hz, where every frame carries 1152 sample frames,
  // so a block takes whole frames.
  std::uint32_t readDirectBlock(std::int16_t* dest) override {
    const std::uint32_t blockSamples = channels_ * IMPORT_BLOCK_FRAMES;
    std::uint32_t filled = 0;
    while (filled + frameSamples_ <= blockSamples && nextFrame_ < frameCount_) {
      std::uint32_t produced = 0;
      decoder_->decode(nextFrame_++, dest + filled, &produced);
      if (produced > 0) filled += frameSamples_;
    }
    std::fill(dest + filled, dest + blockSamples, std::int16_t{0});
    return filled / channels_;
  }

  ConverterWindow& converterWindow() override { return *this; }

 private:
  // Decodes frames from the next one on into `dest` until one produces
  // samples; returns the samples written, 0 when the stream has no more.
  std::uint32_t decodeNext(std::int16_t* dest) {
    while (nextFrame_ < frameCount_) {
      std::uint32_t produced = 0;
      decoder_->decode(nextFrame_++, dest, &produced);
      if (produced > 0) return frameSamples_;
    }
    return 0;
  }

  bool reset(std::uint32_t history) override {
    history_ = history;
    if (!window_) window_ = allocate<std::int16_t>(std::size_t{channels_} * WINDOW_FRAMES);
    if (!window_) return false;
    std::fill(window_.get(), window_.get() + std::size_t{channels_} * WINDOW_FRAMES,
              std::int16_t{0});
    const std::uint32_t first = decodeNext(window_.get());
    const std::uint32_t second = decodeNext(window_.get() + first);
    limit_ = static_cast<std::int64_t>(first + second) - history_;
    return true;
  }

  const unsigned char* samples() const override {
    return reinterpret_cast<const unsigned char*>(window_.get());
  }
  std::int64_t limit() const override { return limit_; }

  // Keeps the samples from the limit on and decodes one more frame after them.
  bool refill() override {
    if (limit_ < 0 || nextFrame_ >= frameCount_) return false;
    std::int16_t* w = window_.get();
    std::memmove(w, w + limit_, std::size_t{history_} * sizeof(std::int16_t));
    const std::uint32_t added = decodeNext(w + history_);
    if (added == 0) return false;
    limit_ = added;
    return true;
  }

  std::uint32_t frameCount_ = 0;
  std::uint32_t nextFrame_ = 0;
  std::uint32_t channels_ = 0;
  std::uint32_t frameSamples_ = 0;
  std::unique_ptr<const unsigned char*[]> starts_;
  std::unique_ptr<std::uint32_t[]> lengths_;
  std::unique_ptr<std::uint32_t[]> taken_;
  std::unique_ptr<Layer3Decoder> decoder_;
  std::unique_ptr<std::int16_t[]> window_;
  std::uint32_t history_ = 0;
  std::int64_t limit_ = -1;
};

}  // namespace

std::unique_ptr<SourceStream> openMpegSource(const unsigned char* data, std::size_t size) {
  if (data == nullptr || size == 0) return nullptr;
  std::unique_ptr<MpegSource> source(new (std::nothrow) MpegSource());
  if (!source || !source->open(data, size)) return nullptr;
  return source;
}

}  // namespace audiofile
