#include "audiofile/track_loader.h"

#include <new>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_reader.h"
#include "platform/mapped_file.h"

namespace audiofile {

namespace {
constexpr std::uint64_t MAX_TRACK_FRAMES = 0xFFFFFFFFull;
}

LoadStatus loadTrack(const char* path, LoadedTrack& track, LoadObserver* observer) {
  std::unique_ptr<platform::MappedFile> file = platform::MappedFile::map(path);
  if (!file || file->size() < MIN_TRACK_FILE_SIZE) return LoadStatus::Unreadable;

  std::unique_ptr<TrackReader> reader(new (std::nothrow) TrackReader(std::move(file)));
  if (!reader) return LoadStatus::NoMemory;
  if (!reader->open()) return LoadStatus::Unreadable;

  const std::uint32_t channels = reader->channels();
  const std::uint64_t blockBytes = reader->bytesPerBlock();
  const std::uint64_t totalBytes = reader->blockCount() * blockBytes;
  if (totalBytes / 2 / channels > MAX_TRACK_FRAMES) return LoadStatus::NoMemory;
  std::unique_ptr<std::int16_t[]> samples(new (std::nothrow) std::int16_t[totalBytes / 2]);
  if (!samples) return LoadStatus::NoMemory;
  if (observer != nullptr) observer->loadStarted(samples.get(), channels, totalBytes);

  std::uint64_t produced = 0;
  for (std::uint64_t offset = 0; offset < totalBytes; offset += blockBytes) {
    bool ended = false;
    produced += reader->readBlock(samples.get() + offset / 2, ended);
    if (observer != nullptr && !observer->blockRead(produced, totalBytes))
      return LoadStatus::Cancelled;
    if (ended) break;
  }

  track.samples = std::move(samples);
  track.channels = channels;
  track.frameCount = static_cast<std::uint32_t>(produced / 2 / channels);
  return LoadStatus::Loaded;
}

const char* loadStatusMessage(LoadStatus status) {
  switch (status) {
    case LoadStatus::Unreadable:
      return MSG_LOAD_UNREADABLE;
    case LoadStatus::NoMemory:
      return MSG_LOAD_NO_MEMORY;
    default:
      return "";
  }
}

}  // namespace audiofile
