// The Layer III frame decoder: turns the frames of an indexed MPEG-1 or MPEG-2
// stream into interleaved 16-bit PCM, one frame per call, in index order. Its
// input is the frame index itself (frame starts, lengths and a per-frame count
// of bytes consumed). Each call decodes the frame it hands in, so a stream of
// n frames gives n frames of samples, the last one included. Nothing is
// allocated while decoding.
#pragma once

#include <cstdint>
#include <memory>

#include "audiofile/layer3_bit_reader.h"
#include "audiofile/layer3_filterbank.h"
#include "audiofile/layer3_tables.h"
#include "audiofile/mpeg_header.h"

namespace audiofile {

// decode() results.
inline constexpr int LAYER3_FRAME_DONE = 0;  // processed; produced bytes says how many
inline constexpr int LAYER3_NEED_INPUT = 1;  // nothing written; hand in the next frame

// Reservoir: two halves, each with room for the main data a frame may point
// back to and for the frame's own data.
inline constexpr std::uint32_t RESERVOIR_HISTORY = 512;
inline constexpr std::uint32_t RESERVOIR_FRAME_ROOM = 1792;
inline constexpr std::uint32_t RESERVOIR_HALF = RESERVOIR_HISTORY + RESERVOIR_FRAME_ROOM;

struct GranuleChannel {
  int part23Length = 0;
  int bigValues = 0;
  int globalGain = 0;
  int scalefacCompress = 0;
  bool windowSwitching = false;
  int blockType = 0;
  bool mixedBlock = false;  // as sent: start and stop blocks may carry it too
  int tableSelect[3] = {};
  int subblockGain[3] = {};
  int region1Start = 0;  // first line of region 1
  int region2Start = 0;  // first line of region 2
  bool preflag = false;
  bool scalefacScale = false;
  int count1Table = 0;
};

struct SideInfo {
  int mainDataBegin = 0;
  bool scfsi[2][4] = {};
  GranuleChannel granules[2][2];  // [granule][channel]
};

struct ScaleFactors {
  int longBands[22] = {};
  int shortBands[13][3] = {};
  // The is_pos value that means "no intensity stereo" in each band (MPEG-2:
  // the largest value of the band's length; MPEG-1: 7).
  int longIllegal[22] = {};
  int shortIllegal[13] = {};
};

class Layer3Decoder {
 public:
  // The decoder reads frames through the three arrays of the MPEG source and
  // advances bytesTaken as it consumes bytes. mpeg1, rateIndex and channels
  // are those of the stream; a frame whose header disagrees produces nothing.
  // Returns none when memory runs out.
  static std::unique_ptr<Layer3Decoder> create(const unsigned char* const* frameStarts,
                                               const std::uint32_t* frameLengths,
                                               std::uint32_t* bytesTaken, std::uint32_t frameCount,
                                               bool mpeg1, int rateIndex, int channels);

  // Hands in frame number frameNumber (consecutive from 0) and decodes it into
  // output, which must hold samplesPerFrame x channels samples.
  int decode(std::uint32_t frameNumber, std::int16_t* output, std::uint32_t* producedBytes);

  // While set, frames go through the bit reservoir as before and report the
  // bytes they would produce, but nothing is decoded, written or kept from
  // the filterbanks. A reader moving to a point in the stream passes the
  // frames before it this way, then decodes a frame or two in full so the
  // filterbanks' state is the one a decode from the start would have.
  void setCountOnly(bool countOnly) { countOnly_ = countOnly; }

  // The filterbanks in double precision instead of single: slower, and the
  // yardstick the single-precision ones are measured against. Set before the
  // first frame.
  void setReferenceArithmetic(bool reference) { reference_ = reference; }

  ~Layer3Decoder();
  Layer3Decoder(const Layer3Decoder&) = delete;
  Layer3Decoder& operator=(const Layer3Decoder&) = delete;

 private:
  Layer3Decoder() = default;

  // Input model: the chain of handed-in frames.
  std::uint32_t readChain(unsigned char* destination, std::uint32_t count);
  void handIn(std::uint32_t frameNumber);

  bool parseSideInfo(BitReader& reader);
  // Decodes the frame whose side info and main data sit in the current
  // reservoir half; returns the bytes written to output.
  std::uint32_t decodeFrame(std::int16_t* output);
  void readScaleFactors(BitReader& reader, int granule, int channel);
  void readScaleFactorsMpeg2(BitReader& reader, int channel);
  // Huffman-decodes and requantises one granule and channel; false when the
  // code words ran past the channel's data.
  bool readSpectrum(BitReader& reader, int granule, int channel, std::uint32_t end);
  void processStereo(int granule);
  void intensityLong(const GranuleChannel& gc, bool midSide);
  void intensityShort(const GranuleChannel& gc, bool midSide);
  void applyIntensity(int from, int to, int position, int illegal, bool midSide);
  void hybrid(int granule, int channel);
  void synthesise(int channel);
  // One granule of pcm_ into output, channel by channel.
  void interleave(std::int16_t* output, int channels) const;
  // True when the channel's overlap and synthesis ring hold only zeros.
  bool quiet(int channel) const;

  const unsigned char* const* frameStarts_ = nullptr;
  const std::uint32_t* frameLengths_ = nullptr;
  std::uint32_t* bytesTaken_ = nullptr;
  std::uint32_t frameCount_ = 0;
  bool streamMpeg1_ = true;
  int streamRateIndex_ = 0;
  int streamChannels_ = 2;

  std::int64_t chainHead_ = -1;
  std::int64_t chainTail_ = -1;
  std::uint64_t bytesAvailable_ = 0;
  bool headerParsed_ = false;
  bool sideInfoParsed_ = false;
  bool mainDataParsed_ = false;
  bool frameUsable_ = true;
  bool countOnly_ = false;
  bool reference_ = false;
  int status_ = LAYER3_NEED_INPUT;
  std::int64_t frameSize_ = 0;
  int sideInfoSize_ = 0;
  std::uint32_t mainDataSize_ = 0;
  MpegHeader header_;
  int selector_ = 0;
  std::uint32_t dataEnd_[2] = {RESERVOIR_HISTORY, RESERVOIR_HALF + RESERVOIR_HISTORY};
  // Bytes before dataEnd_ in each half that hold stream data a later frame may
  // point back to.
  std::uint32_t reservoirBytes_[2] = {};

  SideInfo side_;
  ScaleFactors scale_[2];
  double spectrum_[2][GRANULE_LINES] = {};
  int nonzero_[2] = {};
  int intensityScale_ = 0;  // MPEG-2: the right channel's intensity_scale  // lines up to the last
                            // non-zero value, per channel
  double reordered_[GRANULE_LINES] = {};
  // The filterbanks' state in the precision in use.
  FilterbankState<float> fast_;
  FilterbankState<double> exact_;
  int ringPosition_[2] = {};
  std::int16_t pcm_[2][GRANULE_LINES] = {};  // one granule of each channel, before interleaving
  unsigned char reservoir_[2 * RESERVOIR_HALF + BIT_READER_GUARD_BYTES] = {};
};

// 16-bit conversion of a filterbank value: clipped, otherwise rounded half
// away from zero.
inline std::int16_t toSample(double s) {
  if (s > 32767.0) return 32767;
  if (s < -32768.0) return -32768;
  return static_cast<std::int16_t>(s > 0 ? s + 0.5 : s - 0.5);
}

}  // namespace audiofile
