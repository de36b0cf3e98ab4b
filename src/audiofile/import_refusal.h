// Why a file could not be imported. Every refusal of the import carries one of
// these reasons, with a number where the reason names one (a format tag, a bit
// depth, a channel count), so that a front end can say more than "could not
// load": the desktop window as detail text, cantora-cli on its error line.
#pragma once

#include <cstdint>
#include <string>

namespace audiofile {

enum class ImportReason : std::uint8_t {
  None,
  NotFound,
  NoPermission,
  NotAFile,      // a folder or something else that cannot be mapped
  CannotRead,    // opening or mapping failed for another reason
  TooShort,      // under MIN_TRACK_FILE_SIZE bytes
  NotAudio,      // neither RIFF nor a stream with a Layer III frame
  NotWave,       // a RIFF file of another form ("AVI ", "RMID")
  NoFormat,      // no "fmt " chunk before the file ends
  FormatTag,     // detail: the format tag (or the extensible sub-format)
  BitDepth,      // detail: the bits per sample
  Channels,      // detail: the channel count
  NoRate,        // a sample rate of 0
  NoData,        // no "data" chunk
  EmptyData,     // a "data" chunk of length 0 (or shorter than one frame)
  FreeFormat,    // a free-format MPEG stream
  Mpeg25,        // an MPEG-2.5 stream (8000, 11025, 12000 Hz)
  TooFewFrames,  // an MPEG stream of a single frame
  TooLong,       // more frames than a track can count
  NoMemory,
};

struct ImportRefusal {
  ImportReason reason = ImportReason::None;
  std::uint32_t detail = 0;
};

// The reason as a short clause for the end of an error line ("24-bit float
// samples are not read"); empty for None.
std::string importReasonText(const ImportRefusal& refusal);

// Records a refusal where the caller asked for one; returns false so that a
// parser can `return refuse(why, ...)`.
inline bool refuse(ImportRefusal* why, ImportReason reason, std::uint32_t detail = 0) {
  if (why != nullptr) *why = ImportRefusal{reason, detail};
  return false;
}

}  // namespace audiofile
