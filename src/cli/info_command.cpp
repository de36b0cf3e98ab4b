// `cantora-cli info FILE`: what the import finds in a file and will deliver,
// one key=value per line, without reading the samples.
#include <cstdio>
#include <string>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_reader.h"
#include "cli/cli_command.h"
#include "platform/mapped_file.h"

namespace cli {

namespace {

int runInfo(const Args& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    fail("info takes one FILE (try cantora-cli info --help)");
    return 2;
  }
  const std::string& path = args[0];
  auto file = platform::MappedFile::map(path.c_str());
  if (!file || file->size() < audiofile::MIN_TRACK_FILE_SIZE)
    return fail(path + ": " + audiofile::MSG_LOAD_UNREADABLE);
  audiofile::TrackReader reader(std::move(file));
  if (!reader.open()) return fail(path + ": " + audiofile::MSG_LOAD_UNREADABLE);

  const audiofile::TrackSource& source = *reader.source();
  std::printf("kind=%s\n", source.format.kind == audiofile::KIND_PCM ? "pcm" : "mpeg");
  std::printf("channels=%u\n", source.format.channels);
  std::printf("source_rate=%u\n", source.format.rate);
  std::printf("source_frames=%u\n", source.format.frames);
  std::printf("frames=%llu\n", static_cast<unsigned long long>(reader.blockCount() *
                                                               audiofile::IMPORT_BLOCK_FRAMES));
  std::printf("blocks=%llu\n", static_cast<unsigned long long>(reader.blockCount()));
  if (source.format.kind == audiofile::KIND_MPEG) {
    std::printf("mpeg_version=%u\n", source.format.mpegVersion);
    std::printf("indexed_frames=%u\n", source.format.indexedFrames);
  }
  return std::fflush(stdout) == 0 ? 0 : fail("could not write the output");
}

const CliCommand INFO{
    "info", "info FILE                 what the import finds in a WAV or MP3 file",
    "usage: cantora-cli info FILE\n\n"
    "Prints what importing FILE finds and will deliver, one key=value per line:\n"
    "  kind           pcm (16-bit PCM WAV) or mpeg (MPEG audio, bare or in WAV)\n"
    "  channels       1 or 2\n"
    "  source_rate    the file's sample rate in Hz\n"
    "  source_frames  the file's length in frames at that rate\n"
    "  frames         the track's length at 44100 Hz, in whole blocks as it is loaded\n"
    "  blocks         the number of 4608-frame blocks\n"
    "and for MPEG audio:\n"
    "  mpeg_version   1 (MPEG-1) or 2 (MPEG-2 at 16000, 22050 or 24000 Hz)\n"
    "  indexed_frames the frames the stream scan found (one more than decoded)\n\n"
    "A file that cannot be imported gives \"Could not load or read this file!\" on\n"
    "stderr and exit status 1.\n",
    runInfo};

const CliRegistration registration(INFO);

}  // namespace

}  // namespace cli
