#include "audiofile/import_refusal.h"

#include <cstdio>

namespace audiofile {

std::string importReasonText(const ImportRefusal& refusal) {
  char text[96];
  const unsigned detail = refusal.detail;
  switch (refusal.reason) {
    case ImportReason::None:
      return "";
    case ImportReason::NotFound:
      return "no such file";
    case ImportReason::NoPermission:
      return "permission denied";
    case ImportReason::NotAFile:
      return "not a regular file";
    case ImportReason::CannotRead:
      return "the file cannot be read";
    case ImportReason::TooShort:
      return "too short (under 4096 bytes)";
    case ImportReason::NotAudio:
      return "neither a RIFF/WAVE file nor an MPEG Layer III stream";
    case ImportReason::NotWave:
      return "a RIFF file that is not WAVE audio";
    case ImportReason::NoFormat:
      return "no \"fmt \" chunk";
    case ImportReason::FormatTag:
      std::snprintf(text, sizeof text,
                    "WAV format tag 0x%04X is not read (PCM, IEEE float and MPEG only)", detail);
      return text;
    case ImportReason::BitDepth:
      std::snprintf(text, sizeof text, "%u-bit samples are not read", detail);
      return text;
    case ImportReason::Channels:
      std::snprintf(text, sizeof text, "%u channels (only mono and stereo are read)", detail);
      return text;
    case ImportReason::NoRate:
      return "a sample rate of 0";
    case ImportReason::NoData:
      return "no \"data\" chunk";
    case ImportReason::EmptyData:
      return "the \"data\" chunk is empty";
    case ImportReason::FreeFormat:
      return "a free-format MPEG stream";
    case ImportReason::Mpeg25:
      return "an MPEG-2.5 stream";
    case ImportReason::TooFewFrames:
      return "too few MPEG frames";
    case ImportReason::TooLong:
      return "longer than a track can hold";
    case ImportReason::NoMemory:
      return "out of memory";
  }
  return "";
}

}  // namespace audiofile
