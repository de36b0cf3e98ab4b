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

// Opens the stream of the file into `stream`.
void openStream(const unsigned char* file, std::size_t size, std::unique_ptr<SourceStream>& stream,
                ImportRefusal* why) {
  if (size >= 4 && std::memcmp(file, "RIFF", 4) == 0) {
    WavDescription wav;
    if (!parseWavHeader(file, size, wav, why)) return;
    if (wav.kind == KIND_PCM) {
      stream = PcmSource::create(wav);
      if (!stream) refuse(why, ImportReason::NoMemory);
      return;
    }
    openMpegSource(wav.dataStart, static_cast<std::size_t>(wav.dataEnd - wav.dataStart), stream,
                   why);
    return;
  }
  openMpegSource(file, size, stream, why);
}

bool refused(ImportRefusal* why, ImportReason reason, std::uint32_t detail = 0) {
  refuse(why, reason, detail);
  return false;
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

bool TrackSource::seekBlock(std::uint64_t block) {
  const std::uint64_t frame = block * IMPORT_BLOCK_FRAMES;
  switch (readMode) {
    case READ_PCM_DIRECT:
    case READ_MPEG_DIRECT:
      return stream->seekDirect(frame);
    case READ_CONVERTED:
      return converter->seek(frame);
    default:
      return false;
  }
}

bool TrackSource::startsAnywhere() const {
  return readMode == READ_PCM_DIRECT || readMode == READ_MPEG_DIRECT ||
         (readMode == READ_CONVERTED && stream->converterWindow().startsAnywhere());
}

bool TrackSource::open(const unsigned char* file, std::size_t size, ImportRefusal* why) {
  if (file == nullptr || size == 0) return refused(why, ImportReason::TooShort);
  openStream(file, size, stream, why);
  if (!stream) return false;
  format = stream->format();
  if (format.kind == KIND_NONE || format.frames == 0) return refused(why, ImportReason::EmptyData);
  if (format.channels == 0 || format.channels > 2)
    return refused(why, ImportReason::Channels, format.channels);
  if (format.rate == 0) return refused(why, ImportReason::NoRate);

  if (format.rate != TRACK_RATE) {
    if (format.frames < MIN_CONVERTED_FRAMES) {
      return refused(
          why, format.kind == KIND_MPEG ? ImportReason::TooFewFrames : ImportReason::EmptyData);
    }
    upRatio = static_cast<double>(TRACK_RATE) / format.rate;
    downRatio = static_cast<double>(format.rate) / TRACK_RATE;
    if (!RateConverter::create(converter, stream->converterWindow(), format.channels, format.frames,
                               upRatio, downRatio))
      return refused(why, ImportReason::NoMemory);
    readMode = READ_CONVERTED;
    outputFrames = converter->outputTotal();
  } else {
    readMode = format.kind == KIND_PCM ? READ_PCM_DIRECT : READ_MPEG_DIRECT;
    outputFrames = format.frames;
  }
  blockCount = (outputFrames + IMPORT_BLOCK_FRAMES - 1) / IMPORT_BLOCK_FRAMES;
  return true;
}

std::unique_ptr<TrackSource> openTrackSource(const unsigned char* file, std::size_t size,
                                             ImportRefusal* why) {
  std::unique_ptr<TrackSource> source(new (std::nothrow) TrackSource);
  if (!source) {
    refuse(why, ImportReason::NoMemory);
    return nullptr;
  }
  if (!source->open(file, size, why)) source.reset();
  return source;
}

}  // namespace audiofile
