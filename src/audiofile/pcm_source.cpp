#include "audiofile/pcm_source.h"

#include <new>

#include "audiofile/audiofile_constants.h"

namespace audiofile {

std::unique_ptr<PcmSource> PcmSource::create(const WavDescription& wav) {
  if (wav.kind != KIND_PCM) return nullptr;
  return std::unique_ptr<PcmSource>(new (std::nothrow) PcmSource(wav));
}

PcmSource::PcmSource(const WavDescription& wav) : wav_(wav) {
  format_ = SourceFormat{KIND_PCM, wav.channels, wav.rate, wav.frames};
}

std::uint32_t PcmSource::readDirectBlock(std::int16_t* dest) {
  return readPcmBlock(wav_, dest);
}

bool PcmSource::reset(std::uint32_t history) {
  // Interpolation stops where its four points would reach past the last
  // whole frame of the data.
  limit_ = static_cast<std::int64_t>(wav_.channels) * wav_.frames - history;
  return true;
}

}  // namespace audiofile
