// The MPEG audio source: Layer III frames of a bare stream or of the data
// chunk of a WAV file with format tag 0x55.
//
// This is where MPEG import plugs into the track source: openMpegSource scans
// the stream, builds the frame index and the decoder (the decoder's constant
// tables are built once, on the first call), and returns a SourceStream whose
// readDirectBlock decodes frames into 44100 Hz blocks and whose
// converterWindow is the two-frame window the rate converter refills one
// frame at a time. The track reader and the rate converter see it only
// through that interface.
//
// An encoder's tag frame is not decoded, and where it states the encoder's
// delay and padding those samples, and the decoder's own delay, are left out,
// so the track has the length and timing of what was encoded.
#pragma once

#include <cstddef>
#include <memory>

#include "audiofile/import_refusal.h"
#include "audiofile/source_stream.h"

namespace audiofile {

// `data` points into the mapped file, which outlives the source. None when the
// stream holds no usable frame or memory runs out; `why` then says which.
std::unique_ptr<SourceStream> openMpegSource(const unsigned char* data, std::size_t size,
                                             ImportRefusal* why = nullptr);
// The same into `into`, which holds the source before the scan reads the
// stream: an open abandoned part way (a file cut short under it) leaks
// nothing. False, with `into` emptied, where the above gives none.
bool openMpegSource(const unsigned char* data, std::size_t size,
                    std::unique_ptr<SourceStream>& into, ImportRefusal* why = nullptr);

}  // namespace audiofile
