#include "audiofile/track_source.h"

#include <cmath>
#include <cstring>
#include <new>

#include "audiofile/audiofile_constants.h"
#include "audiofile/mpeg_source.h"
#include "audiofile/pcm_source.h"
#include "audiofile/wav_reader.h"

namespace audiofile {

namespace {

// The fewest source frames the converter's 4-point window can work on.
constexpr std::uint32_t MIN_CONVERTED_FRAMES = 3;

std::unique_ptr<SourceStream> openStream(const unsigned char* file, std::size_t size,
                                         ImportRefusal* why) {
  if (size >= 4 && std::memcmp(file, "RIFF", 4) == 0) {
    WavDescription wav;
    if (!parseWavHeader(file, size, wav, why)) return nullptr;
    if (wav.kind == KIND_PCM) {
      std::unique_ptr<SourceStream> pcm = PcmSource::create(wav);
      if (!pcm) refuse(why, ImportReason::NoMemory);
      return pcm;
    }
    return openMpegSource(wav.dataStart, static_cast<std::size_t>(wav.dataEnd - wav.dataStart),
                          why);
  }
  return openMpegSource(file, size, why);
}

std::unique_ptr<TrackSource> refused(ImportRefusal* why, ImportReason reason,
                                     std::uint32_t detail = 0) {
  refuse(why, reason, detail);
  return nullptr;
}

}  // namespace

std::uint32_t TrackSource::readBlock(std::int16_t* dest) {
  switch (readMode) {
    case READ_PCM_DIRECT:
    case READ_MPEG_DIRECT:
      return stream->readDirectBlock(dest);
    case READ_CONVERTED:
      return converter->readBlock(dest);
    default:
      return 0;
  }
}

std::unique_ptr<TrackSource> openTrackSource(const unsigned char* file, std::size_t size,
                                             ImportRefusal* why) {
  if (file == nullptr || size == 0) return refused(why, ImportReason::TooShort);
  std::unique_ptr<TrackSource> source(new (std::nothrow) TrackSource);
  if (!source) return refused(why, ImportReason::NoMemory);
  source->stream = openStream(file, size, why);
  if (!source->stream) return nullptr;
  const SourceFormat& format = source->stream->format();
  source->format = format;
  if (format.kind == KIND_NONE || format.frames == 0) return refused(why, ImportReason::EmptyData);
  if (format.channels == 0 || format.channels > 2)
    return refused(why, ImportReason::Channels, format.channels);
  if (format.rate == 0) return refused(why, ImportReason::NoRate);

  if (format.rate != TRACK_RATE) {
    if (format.frames < MIN_CONVERTED_FRAMES) {
      return refused(
          why, format.kind == KIND_MPEG ? ImportReason::TooFewFrames : ImportReason::EmptyData);
    }
    source->upRatio = static_cast<double>(TRACK_RATE) / format.rate;
    source->downRatio = static_cast<double>(format.rate) / TRACK_RATE;
    source->converter = RateConverter::create(source->stream->converterWindow(), format.channels,
                                              format.frames, source->upRatio, source->downRatio);
    if (!source->converter) return refused(why, ImportReason::NoMemory);
    source->readMode = READ_CONVERTED;
    source->outputFrames = source->converter->outputTotal();
  } else {
    source->readMode = format.kind == KIND_PCM ? READ_PCM_DIRECT : READ_MPEG_DIRECT;
    source->outputFrames = format.frames;
  }
  source->blockCount = (source->outputFrames + IMPORT_BLOCK_FRAMES - 1) / IMPORT_BLOCK_FRAMES;
  return source;
}

}  // namespace audiofile
