// The PCM WAV source. 16-bit data is read straight out of the mapped data
// chunk: blocks are copied from it and the converter's window is the chunk
// itself. Other sample formats are converted to 16 bits as they are read:
// blocks directly, and the converter's window a buffer refilled a stretch at a
// time with the last samples carried over.
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

  bool converted() const { return wav_.encoding != SampleEncoding::Int16; }
  bool reset(std::uint32_t history) override;
  const unsigned char* samples() const override;
  std::int64_t limit() const override { return limit_; }
  bool refill() override;

  WavDescription wav_;
  std::int64_t limit_ = -1;
  std::uint32_t history_ = 0;
  std::unique_ptr<std::int16_t[]> window_;
};

}  // namespace audiofile
