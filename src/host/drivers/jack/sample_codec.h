// Moves one channel between the server's float samples and the host's integer
// sample types (16-bit, packed 24-bit and 32-bit little-endian). The codec is
// chosen once per sample type, so the audio thread never branches on it.
#pragma once

#include <cstdint>

namespace jackdriver {

struct SampleCodec {
  int bytesPerSample = 4;
  // frames floats (full scale +-1.0) into the host's buffer; values past full
  // scale are clipped.
  void (*encode)(const float* in, void* out, int frames) = nullptr;
  // frames of the host's buffer into floats.
  void (*decode)(const void* in, float* out, int frames) = nullptr;
};

// The codec of a sample type (16, 17 or 18); false for any other type.
bool codecFor(std::int32_t sampleType, SampleCodec& codec);

}  // namespace jackdriver
