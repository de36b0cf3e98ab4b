// `cantora-cli info FILE`: what the import finds in a file and will deliver,
// one key=value per line, without reading the samples.
#include <cstdio>
#include <string>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_loader.h"
#include "audiofile/track_reader.h"
#include "cli/cli_command.h"
#include "cli/track_io.h"

namespace cli {

namespace {

int runInfo(const Args& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    fail("info takes one FILE (try cantora-cli info --help)");
    return 2;
  }
  const std::string& path = args[0];
  audiofile::ImportRefusal why;
  const std::unique_ptr<audiofile::TrackReader> reader =
      audiofile::openTrackFile(path.c_str(), why);
  if (!reader) return fail(importFailure(path, audiofile::refusalStatus(why), why));

  const audiofile::TrackSource& source = *reader->source();
  std::printf("kind=%s\n", source.format.kind == audiofile::KIND_PCM ? "pcm" : "mpeg");
  std::printf("channels=%u\n", source.format.channels);
  std::printf("source_rate=%u\n", source.format.rate);
  std::printf("source_frames=%u\n", source.format.frames);
  std::printf("frames=%llu\n", static_cast<unsigned long long>(reader->blockCount() *
                                                               audiofile::IMPORT_BLOCK_FRAMES));
  std::printf("blocks=%llu\n", static_cast<unsigned long long>(reader->blockCount()));
  if (source.format.kind == audiofile::KIND_MPEG) {
    std::printf("mpeg_version=%u\n", source.format.mpegVersion);
    std::printf("indexed_frames=%u\n", source.format.indexedFrames);
    static const char* const TAGS[] = {"none", "xing", "lame"};
    std::printf("encoder_tag=%s\n", TAGS[static_cast<int>(source.format.mpegTag)]);
    std::printf("encoder_delay=%u\n", source.format.encoderDelay);
    std::printf("encoder_padding=%u\n", source.format.encoderPadding);
  }
  return std::fflush(stdout) == 0 ? 0 : fail("could not write the output");
}

const CliCommand INFO{
    "info", "info FILE                 what the import finds in a WAV or MP3 file",
    "usage: cantora-cli info FILE\n\n"
    "Prints what importing FILE finds and will deliver, one key=value per line:\n"
    "  kind           pcm (PCM or float WAV) or mpeg (MPEG audio, bare or in WAV)\n"
    "  channels       1 or 2\n"
    "  source_rate    the file's sample rate in Hz\n"
    "  source_frames  the file's length in frames at that rate\n"
    "  frames         the track's length at 44100 Hz, in whole blocks as it is loaded\n"
    "  blocks         the number of 4608-frame blocks\n"
    "and for MPEG audio:\n"
    "  mpeg_version   1 (MPEG-1) or 2 (MPEG-2 at 16000, 22050 or 24000 Hz)\n"
    "  indexed_frames the frames the stream scan found, the tag frame included\n"
    "  encoder_tag    none, xing (a tag frame, not decoded) or lame (one that also\n"
    "                 states the encoder's delay and padding)\n"
    "  encoder_delay  samples the encoder put before the audio (left out, with the\n"
    "                 decoder's own 529)\n"
    "  encoder_padding samples the encoder put after the audio (left out)\n\n"
    "A file that cannot be imported gives \"Could not load or read this file!\" and\n"
    "the reason in brackets on stderr, and exit status 1.\n",
    runInfo};

const CliRegistration registration(INFO);

}  // namespace

}  // namespace cli
