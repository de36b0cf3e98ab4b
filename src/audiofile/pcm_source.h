// The PCM WAV source: blocks copied straight out of the mapped data chunk, and
// a converter window that is that same data chunk, read without a copy.
#pragma once

#include <memory>

#include "audiofile/source_stream.h"
#include "audiofile/wav_reader.h"

namespace audiofile {

class PcmSource final : public SourceStream, private ConverterWindow {
 public:
  // `wav` is an accepted PCM description over a mapping that outlives the source.
  static std::unique_ptr<PcmSource> create(const WavDescription& wav);

  std::uint32_t readDirectBlock(std::int16_t* dest) override;
  ConverterWindow& converterWindow() override { return *this; }

 private:
  explicit PcmSource(const WavDescription& wav);

  bool reset(std::uint32_t history) override;
  const unsigned char* samples() const override { return wav_.dataStart; }
  std::int64_t limit() const override { return limit_; }
  // The whole data chunk is in the window from the start: nothing follows it.
  bool refill() override { return false; }

  WavDescription wav_;
  std::int64_t limit_ = -1;
};

}  // namespace audiofile
