#include "audiofile/layer3_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "audiofile/layer3_huffman.h"

namespace audiofile {
namespace {

constexpr std::uint32_t HEADER_BYTES = 4;
constexpr std::uint32_t CRC_BYTES = 2;
constexpr int BIG_VALUES_LIMIT = 288;

int sideInfoBytes(const MpegHeader& h) {
  int size = h.mpeg1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
  return size + (h.crc ? static_cast<int>(CRC_BYTES) : 0);
}

}  // namespace

std::unique_ptr<Layer3Decoder> Layer3Decoder::create(const unsigned char* const* frameStarts,
                                                     const std::uint32_t* frameLengths,
                                                     std::uint32_t* bytesTaken,
                                                     std::uint32_t frameCount, bool mpeg1,
                                                     int rateIndex, int channels) {
  std::unique_ptr<Layer3Decoder> decoder(new (std::nothrow) Layer3Decoder());
  if (!decoder || !buildHuffmanDecoders()) return nullptr;
  layer3Tables();
  decoder->frameStarts_ = frameStarts;
  decoder->frameLengths_ = frameLengths;
  decoder->bytesTaken_ = bytesTaken;
  decoder->frameCount_ = frameCount;
  decoder->streamMpeg1_ = mpeg1;
  decoder->streamRateIndex_ = rateIndex;
  decoder->streamChannels_ = channels == 1 ? 1 : 2;
  return decoder;
}

Layer3Decoder::~Layer3Decoder() = default;

void Layer3Decoder::handIn(std::uint32_t frameNumber) {
  if (chainHead_ < 0) chainHead_ = frameNumber;
  chainTail_ = frameNumber;
  bytesAvailable_ += frameLengths_[frameNumber];
}

std::uint32_t Layer3Decoder::readChain(unsigned char* destination, std::uint32_t count) {
  std::uint32_t copied = 0;
  while (count > 0 && chainHead_ >= 0) {
    const std::uint32_t head = static_cast<std::uint32_t>(chainHead_);
    const std::uint32_t length = frameLengths_[head];
    const std::uint32_t taken = bytesTaken_[head];
    if (taken < length) {
      const std::uint32_t run = std::min(count, length - taken);
      if (destination != nullptr) {
        std::memcpy(destination + copied, frameStarts_[head] + taken, run);
      }
      bytesTaken_[head] += run;
      bytesAvailable_ -= run;
      count -= run;
      copied += run;
      if (bytesTaken_[head] < length) continue;
    }
    if (chainHead_ + 1 > chainTail_) {
      chainHead_ = -1;
      chainTail_ = -1;
    } else {
      ++chainHead_;
    }
  }
  return copied;
}

int Layer3Decoder::decode(std::uint32_t frameNumber, std::int16_t* output,
                          std::uint32_t* producedBytes) {
  std::uint32_t produced = 0;
  if (producedBytes != nullptr) *producedBytes = 0;
  if (frameNumber >= frameCount_) return LAYER3_NEED_INPUT;
  handIn(frameNumber);

  if (!headerParsed_) {
    if (bytesAvailable_ < HEADER_BYTES) return LAYER3_NEED_INPUT;
    const std::uint32_t head = static_cast<std::uint32_t>(chainHead_);
    unsigned char word[HEADER_BYTES];
    readChain(word, HEADER_BYTES);
    const std::uint32_t headerWord = headerWordAt(word);
    header_ = decodeMpegHeader(headerWord);
    frameUsable_ = isUsableLayer3Header(headerWord) && header_.mpeg1 == streamMpeg1_ &&
                   header_.rateIndex == streamRateIndex_ && header_.channels == streamChannels_;
    frameSize_ = std::max<std::int64_t>(0, std::int64_t{frameLengths_[head]} - HEADER_BYTES);
    sideInfoSize_ = sideInfoBytes(header_);
    // A frame too short for its own side information would take the next
    // frame's bytes for it.
    if (frameSize_ < sideInfoSize_) frameUsable_ = false;
    selector_ ^= 1;
    headerParsed_ = true;
    status_ = LAYER3_NEED_INPUT;
  }
  const std::uint32_t base = selector_ * RESERVOIR_HALF + RESERVOIR_HISTORY;

  if (!frameUsable_) {
    // A frame this stream cannot have: its bytes are passed over.
    if (bytesAvailable_ < static_cast<std::uint64_t>(frameSize_)) return LAYER3_NEED_INPUT;
    readChain(nullptr, static_cast<std::uint32_t>(frameSize_));
    dataEnd_[selector_] = base;
    reservoirBytes_[selector_] = 0;
    headerParsed_ = sideInfoParsed_ = mainDataParsed_ = false;
    return LAYER3_FRAME_DONE;
  }

  if (!sideInfoParsed_) {
    if (bytesAvailable_ < static_cast<std::uint64_t>(sideInfoSize_)) return LAYER3_NEED_INPUT;
    readChain(reservoir_ + base, static_cast<std::uint32_t>(sideInfoSize_));
    BitReader reader(reservoir_, base * 8);
    if (header_.crc) reader.skip(CRC_BYTES * 8);
    parseSideInfo(reader);
    int bitsNeeded = -8 * side_.mainDataBegin;
    const int granules = header_.mpeg1 ? 2 : 1;
    for (int gr = 0; gr < granules; ++gr) {
      for (int ch = 0; ch < header_.channels; ++ch)
        bitsNeeded += side_.granules[gr][ch].part23Length;
    }
    std::int64_t size = bitsNeeded < 0 ? 0 : (bitsNeeded + 7) / 8;
    // A frame never holds more main data than its own bytes after the side info.
    size = std::min<std::int64_t>(size, std::max<std::int64_t>(0, frameSize_ - sideInfoSize_));
    mainDataSize_ = static_cast<std::uint32_t>(size);
    sideInfoParsed_ = true;
  }

  if (!mainDataParsed_) {
    if (bytesAvailable_ < mainDataSize_) return LAYER3_NEED_INPUT;
    readChain(reservoir_ + base + sideInfoSize_, mainDataSize_);
    dataEnd_[selector_] = base + static_cast<std::uint32_t>(sideInfoSize_) + mainDataSize_;
    produced = decodeFrame(output);
    if (producedBytes != nullptr) *producedBytes = produced;
    status_ = LAYER3_FRAME_DONE;
    mainDataParsed_ = true;
  }

  const std::int64_t remaining = frameSize_ - mainDataSize_ - sideInfoSize_;
  if (remaining > static_cast<std::int64_t>(bytesAvailable_)) return status_;
  if (remaining > 0) {
    const std::uint32_t halfEnd = selector_ * RESERVOIR_HALF + RESERVOIR_HALF;
    const std::uint32_t room = halfEnd - dataEnd_[selector_];
    const std::uint32_t kept = static_cast<std::uint32_t>(std::min<std::int64_t>(remaining, room));
    readChain(reservoir_ + dataEnd_[selector_], kept);
    dataEnd_[selector_] += kept;
    reservoirBytes_[selector_] += kept;
    readChain(nullptr, static_cast<std::uint32_t>(remaining - kept));
  }
  headerParsed_ = sideInfoParsed_ = mainDataParsed_ = false;
  return status_;
}

bool Layer3Decoder::parseSideInfo(BitReader& reader) {
  const bool mpeg1 = header_.mpeg1;
  const int channels = header_.channels;
  side_.mainDataBegin = static_cast<int>(reader.read(mpeg1 ? 9 : 8));
  reader.skip(mpeg1 ? (channels == 1 ? 5 : 3) : (channels == 1 ? 1 : 2));
  if (mpeg1) {
    for (int ch = 0; ch < channels; ++ch) {
      for (int band = 0; band < 4; ++band) side_.scfsi[ch][band] = reader.readBit();
    }
  }
  const ScaleFactorBands& bands = scaleFactorBands(mpeg1, header_.rateIndex);
  const int granules = mpeg1 ? 2 : 1;
  for (int gr = 0; gr < granules; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      GranuleChannel& gc = side_.granules[gr][ch];
      gc.part23Length = static_cast<int>(reader.read(12));
      gc.bigValues = std::min(static_cast<int>(reader.read(9)), BIG_VALUES_LIMIT);
      gc.globalGain = static_cast<int>(reader.read(8));
      gc.scalefacCompress = static_cast<int>(reader.read(mpeg1 ? 4 : 9));
      gc.windowSwitching = reader.readBit();
      if (gc.windowSwitching) {
        gc.blockType = static_cast<int>(reader.read(2));
        // The flag also marks start and stop blocks: their two lowest
        // subbands then take the normal long window.
        gc.mixedBlock = reader.readBit();
        gc.tableSelect[0] = static_cast<int>(reader.read(5));
        gc.tableSelect[1] = static_cast<int>(reader.read(5));
        gc.tableSelect[2] = 0;
        for (int w = 0; w < 3; ++w) gc.subblockGain[w] = static_cast<int>(reader.read(3));
        gc.region1Start = (gc.blockType == 2 && !gc.mixedBlock) ? 36 : bands.longBounds[8];
        gc.region2Start = GRANULE_LINES;
      } else {
        gc.blockType = 0;
        gc.mixedBlock = false;
        for (int r = 0; r < 3; ++r) gc.tableSelect[r] = static_cast<int>(reader.read(5));
        for (int w = 0; w < 3; ++w) gc.subblockGain[w] = 0;
        const int region0 = static_cast<int>(reader.read(4));
        const int region1 = static_cast<int>(reader.read(3));
        gc.region1Start = bands.longBounds[std::min(region0 + 1, 22)];
        gc.region2Start = bands.longBounds[std::min(region0 + region1 + 2, 22)];
      }
      gc.preflag = mpeg1 ? reader.readBit() : false;
      gc.scalefacScale = reader.readBit();
      gc.count1Table = static_cast<int>(reader.read(1));
    }
  }
  return true;
}

std::uint32_t Layer3Decoder::decodeFrame(std::int16_t* output) {
  const int mainDataBegin = side_.mainDataBegin;
  const std::uint32_t other = selector_ ^ 1;
  // A frame whose main data begins before anything this decoder has seen (the
  // first frame, or any frame of a stream cut from a longer one until the
  // reservoir has filled) cannot be decoded and produces nothing; the bytes
  // it carries still go into the reservoir for the frames after it.
  const bool decodable = static_cast<std::uint32_t>(mainDataBegin) <= reservoirBytes_[other];
  const std::uint32_t back = decodable ? static_cast<std::uint32_t>(mainDataBegin)
                                       : std::min(reservoirBytes_[other], RESERVOIR_HISTORY - 1);
  const std::uint32_t base = selector_ * RESERVOIR_HALF + RESERVOIR_HISTORY;
  const std::uint32_t dataStart = base + static_cast<std::uint32_t>(sideInfoSize_);
  std::memcpy(reservoir_ + dataStart - back, reservoir_ + dataEnd_[other] - back, back);
  reservoirBytes_[selector_] = back + mainDataSize_;
  if (!decodable) return 0;
  const int granules = header_.mpeg1 ? 2 : 1;
  const int channels = header_.channels;
  if (countOnly_) return static_cast<std::uint32_t>(granules * GRANULE_LINES * channels * 2);
  const std::uint32_t start = dataStart - back;

  const std::uint32_t limit = dataEnd_[selector_] * 8;
  BitReader reader(reservoir_, start * 8);
  bool damaged = false;
  for (int gr = 0; gr < granules; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      const std::uint32_t end =
          reader.position() + static_cast<std::uint32_t>(side_.granules[gr][ch].part23Length);
      if (damaged || end > limit) {
        // Once a channel's data runs past what the frame holds, nothing after
        // it can be trusted; the rest of the frame is silent.
        damaged = true;
        std::fill(std::begin(spectrum_[ch]), std::end(spectrum_[ch]), 0.0);
        nonzero_[ch] = 0;
        continue;
      }
      if (header_.mpeg1) {
        readScaleFactors(reader, gr, ch);
      } else {
        readScaleFactorsMpeg2(reader, ch);
      }
      if (!readSpectrum(reader, gr, ch, end)) damaged = true;
      reader.seek(end);
    }
    if (channels == 2 && header_.mode == 1) processStereo(gr);
    for (int ch = 0; ch < channels; ++ch) {
      if (nonzero_[ch] == 0 && quiet(ch)) {
        // Digital silence with nothing left ringing from before: the
        // filterbanks would give exact zeros, so they are passed over (a long
        // silent stretch then costs next to nothing). The ring still turns.
        std::fill(std::begin(pcm_[ch]), std::end(pcm_[ch]), std::int16_t{0});
        ringPosition_[ch] = (ringPosition_[ch] + SLOTS * 15) & 15;
        continue;
      }
      hybrid(gr, ch);
      synthesise(ch);
    }
    interleave(output + gr * GRANULE_LINES * channels, channels);
  }
  return static_cast<std::uint32_t>(granules * GRANULE_LINES * channels * 2);
}

void Layer3Decoder::interleave(std::int16_t* output, int channels) const {
  if (channels == 1) {
    std::copy(std::begin(pcm_[0]), std::end(pcm_[0]), output);
    return;
  }
  const std::int16_t* left = pcm_[0];
  const std::int16_t* right = pcm_[1];
  for (int i = 0; i < GRANULE_LINES; ++i) {
    output[2 * i] = left[i];
    output[2 * i + 1] = right[i];
  }
}

namespace {

template <class Real>
bool silent(const FilterbankState<Real>& state, int channel) {
  const Real* overlap = &state.overlap[channel][0][0];
  const Real* ring = &state.ring[channel][0][0];
  const auto zero = [](Real v) { return v == Real(0); };
  return std::all_of(overlap, overlap + SLOTS * SUBBANDS, zero) &&
         std::all_of(ring, ring + 16 * 64, zero);
}

}  // namespace

bool Layer3Decoder::quiet(int channel) const {
  return reference_ ? silent(exact_, channel) : silent(fast_, channel);
}

void Layer3Decoder::readScaleFactors(BitReader& reader, int granule, int channel) {
  const GranuleChannel& gc = side_.granules[granule][channel];
  ScaleFactors& sf = scale_[channel];
  const int slen1 = MPEG1_SLEN[0][gc.scalefacCompress];
  const int slen2 = MPEG1_SLEN[1][gc.scalefacCompress];
  if (gc.windowSwitching && gc.blockType == 2) {
    int firstShort = 0;
    if (gc.mixedBlock) {
      for (int sfb = 0; sfb < 8; ++sfb) sf.longBands[sfb] = static_cast<int>(reader.read(slen1));
      firstShort = 3;
    }
    for (int sfb = firstShort; sfb < 12; ++sfb) {
      const int slen = sfb < 6 ? slen1 : slen2;
      for (int w = 0; w < 3; ++w) sf.shortBands[sfb][w] = static_cast<int>(reader.read(slen));
    }
    for (int w = 0; w < 3; ++w) sf.shortBands[12][w] = 0;
  } else {
    static constexpr int GROUP_START[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
      if (granule == 1 && side_.scfsi[channel][group]) continue;
      const int slen = group < 2 ? slen1 : slen2;
      for (int sfb = GROUP_START[group]; sfb < GROUP_START[group + 1]; ++sfb) {
        sf.longBands[sfb] = static_cast<int>(reader.read(slen));
      }
    }
    sf.longBands[21] = 0;
  }
  for (int sfb = 0; sfb < 22; ++sfb) sf.longIllegal[sfb] = 7;
  for (int sfb = 0; sfb < 13; ++sfb) sf.shortIllegal[sfb] = 7;
}

void Layer3Decoder::readScaleFactorsMpeg2(BitReader& reader, int channel) {
  GranuleChannel& gc = side_.granules[0][channel];
  ScaleFactors& sf = scale_[channel];
  const int compress = gc.scalefacCompress;
  const bool intensityRight = channel == 1 && header_.mode == 1 && (header_.modeExtension & 1);
  int slen[4] = {};
  int table = 0;
  gc.preflag = false;
  if (!intensityRight) {
    if (compress < 400) {
      slen[0] = (compress >> 4) / 5;
      slen[1] = (compress >> 4) % 5;
      slen[2] = (compress & 15) >> 2;
      slen[3] = compress & 3;
      table = 0;
    } else if (compress < 500) {
      const int c = compress - 400;
      slen[0] = (c >> 2) / 5;
      slen[1] = (c >> 2) % 5;
      slen[2] = c & 3;
      table = 1;
    } else {
      const int c = compress - 500;
      slen[0] = c / 3;
      slen[1] = c % 3;
      table = 2;
      gc.preflag = true;
    }
  } else {
    const int c = compress >> 1;
    intensityScale_ = compress & 1;
    if (c < 180) {
      slen[0] = c / 36;
      slen[1] = (c % 36) / 6;
      slen[2] = (c % 36) % 6;
      table = 3;
    } else if (c < 244) {
      const int d = c - 180;
      slen[0] = (d & 63) >> 4;
      slen[1] = (d & 15) >> 2;
      slen[2] = d & 3;
      table = 4;
    } else {
      const int d = c - 244;
      slen[0] = d / 3;
      slen[1] = d % 3;
      table = 5;
    }
  }
  const bool shortBlocks = gc.windowSwitching && gc.blockType == 2;
  const int kind = shortBlocks ? (gc.mixedBlock ? 2 : 1) : 0;
  // Scale factors arrive long bands first (all of them, or the six of a mixed
  // block), then short bands window by window.
  const int longCount = kind == 0 ? 21 : (kind == 2 ? 6 : 0);
  int longDone = 0;
  int shortBand = kind == 2 ? 3 : 0;
  int window = 0;
  for (int part = 0; part < 4; ++part) {
    const int count = MPEG2_PARTITION_SIZES[table][kind][part];
    const int illegal = (1 << slen[part]) - 1;
    for (int i = 0; i < count; ++i) {
      const int value = slen[part] > 0 ? static_cast<int>(reader.read(slen[part])) : 0;
      if (longDone < longCount) {
        sf.longBands[longDone] = value;
        sf.longIllegal[longDone] = illegal;
        ++longDone;
      } else if (shortBand < 12) {
        sf.shortBands[shortBand][window] = value;
        sf.shortIllegal[shortBand] = illegal;
        if (++window == 3) {
          window = 0;
          ++shortBand;
        }
      }
    }
  }
  for (int sfb = longDone; sfb < 22; ++sfb) {
    sf.longBands[sfb] = 0;
    sf.longIllegal[sfb] = sfb > 0 ? sf.longIllegal[sfb - 1] : 0;
  }
  for (int w = 0; w < 3; ++w) sf.shortBands[12][w] = 0;
  sf.shortIllegal[12] = sf.shortIllegal[11];
}

}  // namespace audiofile
