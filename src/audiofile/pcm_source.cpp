#include "audiofile/pcm_source.h"

#include <cstring>
#include <new>

#include "audiofile/audiofile_constants.h"

namespace audiofile {

namespace {
// Frames converted per refill of the window of a converted format.
constexpr std::uint32_t WINDOW_FRAMES = 8192;
// Room for the history carried over (three frames of two channels).
constexpr std::uint32_t WINDOW_HISTORY_ROOM = 6;
}  // namespace

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

const unsigned char* PcmSource::samples() const {
  if (converted()) return reinterpret_cast<const unsigned char*>(window_.get());
  return wav_.dataStart;
}

bool PcmSource::reset(std::uint32_t history) {
  history_ = history;
  if (!converted()) {
    // Interpolation stops where its four points would reach past the last
    // whole frame of the data.
    limit_ = static_cast<std::int64_t>(wav_.channels) * wav_.frames - history;
    return true;
  }
  if (history > WINDOW_HISTORY_ROOM) return false;
  if (!window_) {
    window_.reset(
        new (std::nothrow)
            std::int16_t[std::size_t{wav_.channels} * WINDOW_FRAMES + WINDOW_HISTORY_ROOM]);
    if (!window_) return false;
  }
  wav_.cursor = wav_.dataStart;
  const std::uint32_t frames = convertPcmFrames(wav_, window_.get(), WINDOW_FRAMES);
  limit_ = static_cast<std::int64_t>(wav_.channels) * frames - history;
  return true;
}

bool PcmSource::refill() {
  if (!converted() || limit_ < 0) return false;
  std::int16_t* w = window_.get();
  if (static_cast<std::size_t>(wav_.dataEnd - wav_.cursor) < wav_.frameBytes) return false;
  std::memmove(w, w + limit_, std::size_t{history_} * sizeof(std::int16_t));
  const std::uint32_t added = convertPcmFrames(wav_, w + history_, WINDOW_FRAMES);
  limit_ = static_cast<std::int64_t>(wav_.channels) * added;
  return true;
}

}  // namespace audiofile
