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
// Frames that produce samples decoded in full before a point a reader moves
// to: the filterbanks' overlap and synthesis state depend on the last one only.
constexpr int WARM_UP_FRAMES = 2;

template <typename T>
std::unique_ptr<T[]> allocate(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

class MpegSource final : public SourceStream, private ConverterWindow {
 public:
  bool open(const unsigned char* data, std::size_t size, ImportRefusal* why) {
    if (size > 0xFFFFFFFFu) size = 0xFFFFFFFFu;
    MpegScan& scan = scan_;
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
    mpeg1_ = header.mpeg1;
    rateIndex_ = header.rateIndex;
    decoder_ = newDecoder(taken_.get());
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
    startSkip_ = skip_;
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

  // The frames before the point pass through the bit reservoir without being
  // decoded (the reservoir then holds what a decode from the start would);
  // the last producing frames before it are decoded in full and dropped.
  bool seekDirect(std::uint64_t frame) override {
    if (nextFrame_ != 0 || frame >= remaining_ || frameCount_ == 0) return false;
    const std::uint64_t target = frame + skip_;
    // A probe with its own byte counts finds the frame that holds the target.
    // Held by the source, not the stack: a seek abandoned part way (a file
    // cut short under it) leaves them to the source's destructor.
    probeTaken_ = allocate<std::uint32_t>(frameCount_);
    if (!probeTaken_) return false;
    probe_ = newDecoder(probeTaken_.get());
    if (!probe_) return false;
    Layer3Decoder* const probe = probe_.get();
    probe->setCountOnly(true);
    std::uint64_t before = 0;  // sample frames produced before frame f
    std::uint32_t warmUpStart = 0;
    std::uint32_t recent[WARM_UP_FRAMES] = {};
    int recentCount = 0;
    std::uint32_t f = 0;
    for (; f < frameCount_; ++f) {
      std::uint32_t produced = 0;
      probe->decode(f, nullptr, &produced);
      if (produced == 0) continue;
      if (before + frameFrames_ > target) break;
      before += frameFrames_;
      recent[recentCount++ % WARM_UP_FRAMES] = f;
    }
    probe_.reset();
    probeTaken_.reset();
    if (f == frameCount_) return false;
    if (recentCount >= WARM_UP_FRAMES) warmUpStart = recent[recentCount % WARM_UP_FRAMES];

    decoder_->setCountOnly(true);
    for (std::uint32_t i = 0; i < warmUpStart; ++i) decoder_->decode(i, nullptr, nullptr);
    decoder_->setCountOnly(false);
    for (std::uint32_t i = warmUpStart; i < f; ++i)
      decoder_->decode(i, frameBuffer_.get(), nullptr);
    nextFrame_ = f;
    skip_ = static_cast<std::uint32_t>(target - before);
    remaining_ -= frame;
    return true;
  }

 private:
  std::unique_ptr<Layer3Decoder> newDecoder(std::uint32_t* taken) const {
    return Layer3Decoder::create(starts_.get(), lengths_.get(), taken, frameCount_, mpeg1_,
                                 rateIndex_, static_cast<int>(channels_));
  }

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

  // The window after the refills a converter from the start would have made
  // by `index`: reset() filled two frames' worth, each refill one more.
  bool startAt(std::int64_t index, std::int64_t& base) override {
    base = 0;
    if (limit_ < 0) return false;
    if (index <= limit_) return true;
    const std::int64_t step = std::int64_t{frameFrames_} * channels_;
    base = limit_ + (index - limit_ + step - 1) / step * step - step;
    const std::uint32_t historyFrames = history_ / channels_;
    // Back to the start, on to the window's first frame, and the window filled
    // with the history a refill would carry over and the frame it would add.
    taken_ = allocate<std::uint32_t>(frameCount_);
    if (!taken_) return false;
    decoder_ = newDecoder(taken_.get());
    nextFrame_ = 0;
    bufferPos_ = bufferEnd_ = 0;
    skip_ = startSkip_;
    remaining_ = format_.frames;
    if (!decoder_ || !seekDirect(static_cast<std::uint64_t>(base) / channels_)) return false;
    const std::uint32_t frames = pull(window_.get(), historyFrames + frameFrames_);
    if (frames <= historyFrames) return false;
    limit_ = static_cast<std::int64_t>(frames - historyFrames) * channels_;
    return true;
  }
  bool startsAnywhere() const override { return true; }

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

  // Only while opening; held here rather than on the stack so that an open
  // abandoned part way leaves its index pages to the source's destructor.
  MpegScan scan_;
  std::uint32_t frameCount_ = 0;
  std::uint32_t nextFrame_ = 0;
  std::uint32_t channels_ = 0;
  std::uint32_t frameFrames_ = 0;  // sample frames per decoded MPEG frame
  std::unique_ptr<const unsigned char*[]> starts_;
  std::unique_ptr<std::uint32_t[]> lengths_;
  std::unique_ptr<std::uint32_t[]> taken_;
  bool mpeg1_ = true;
  int rateIndex_ = 0;
  std::unique_ptr<Layer3Decoder> decoder_;
  std::unique_ptr<std::uint32_t[]> probeTaken_;
  std::unique_ptr<Layer3Decoder> probe_;
  // The last decoded frame and the part of it not yet delivered.
  std::unique_ptr<std::int16_t[]> frameBuffer_;
  std::uint32_t bufferPos_ = 0;
  std::uint32_t bufferEnd_ = 0;
  // Sample frames still to be left out at the start, and still to deliver.
  std::uint32_t skip_ = 0;
  std::uint32_t startSkip_ = 0;
  std::uint64_t remaining_ = 0;
  std::unique_ptr<std::int16_t[]> window_;
  std::uint32_t history_ = 0;
  std::int64_t limit_ = -1;
};

}  // namespace

bool openMpegSource(const unsigned char* data, std::size_t size,
                    std::unique_ptr<SourceStream>& into, ImportRefusal* why) {
  into.reset();
  if (data == nullptr || size == 0) return refuse(why, ImportReason::NotAudio);
  auto* source = new (std::nothrow) MpegSource();
  into.reset(source);
  if (source == nullptr) return refuse(why, ImportReason::NoMemory);
  if (!source->open(data, size, why)) {
    into.reset();
    return false;
  }
  return true;
}

std::unique_ptr<SourceStream> openMpegSource(const unsigned char* data, std::size_t size,
                                             ImportRefusal* why) {
  std::unique_ptr<SourceStream> source;
  openMpegSource(data, size, source, why);
  return source;
}

}  // namespace audiofile
