// The source of a track import: picks the kind of data from the file's first
// bytes (a RIFF file is parsed as WAV; anything else, and a WAV file with tag
// 0x55, is an MPEG stream), and reads its blocks either directly at 44100 Hz
// or through the rate converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "audiofile/import_refusal.h"
#include "audiofile/rate_converter.h"
#include "audiofile/source_stream.h"

namespace audiofile {

struct TrackSource {
  // From the WAV header or the first MPEG frame.
  SourceFormat format;
  // READ_PCM_DIRECT, READ_MPEG_DIRECT or READ_CONVERTED.
  std::uint32_t readMode = 0;
  double upRatio = 1.0;    // 44100 / rate
  double downRatio = 1.0;  // rate / 44100
  // Frames after rate conversion, and the blocks of IMPORT_BLOCK_FRAMES that hold them.
  std::uint64_t outputFrames = 0;
  std::uint64_t blockCount = 0;

  std::unique_ptr<SourceStream> stream;
  // Only while converting; reads through the stream's window. Declared after
  // the stream so it goes first.
  std::unique_ptr<RateConverter> converter;

  // One block of IMPORT_BLOCK_FRAMES frames at 44100 Hz into `dest`, padded
  // with zeros; the frames delivered, 0 when the source is exhausted.
  std::uint32_t readBlock(std::int16_t* dest);

  // Before the first block: makes the next readBlock deliver block `block`,
  // exactly as reading every block before it would. False where this source
  // cannot start in the middle (then it must not be read any more).
  bool seekBlock(std::uint64_t block);
  // Whether seekBlock can work here: everywhere but PCM formats other than
  // 16-bit through the converter.
  bool startsAnywhere() const;

  // Opens this (new) source over the whole mapped file; false, with the
  // reason in `why` when given, when the file is refused (a RIFF file the WAV
  // parser refuses is not retried as MPEG), holds no frames, would leave no
  // room for the converter's 4-point window (fewer than 3 frames at another
  // rate), or memory runs out. Whatever it allocates belongs to this source
  // from the moment it exists, so an open abandoned part way (a file cut
  // short under it) leaves nothing behind once the source is destroyed.
  bool open(const unsigned char* file, std::size_t size, ImportRefusal* why = nullptr);
};

// A new source opened over the whole mapped file; none when open refuses it
// or memory runs out.
std::unique_ptr<TrackSource> openTrackSource(const unsigned char* file, std::size_t size,
                                             ImportRefusal* why = nullptr);

}  // namespace audiofile
