#include "audiofile/track_loader.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>

#include "audiofile/audiofile_constants.h"
#include "audiofile/piece_readers.h"
#include "audiofile/track_reader.h"
#include "platform/large_pages.h"
#include "platform/mapped_file.h"
#include "platform/mapped_read_guard.h"

namespace audiofile {

namespace {

constexpr std::uint64_t MAX_TRACK_FRAMES = 0xFFFFFFFFull;

LoadStatus failed(ImportRefusal* why, ImportReason reason, std::uint32_t detail = 0) {
  refuse(why, reason, detail);
  return refusalStatus(ImportRefusal{reason, detail});
}

// Why a file cannot be mapped at all: missing, not permitted, a folder, empty.
ImportRefusal unmappableReason(const char* path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return {ImportReason::NotFound, 0};
  if (!ec && status.type() != std::filesystem::file_type::regular)
    return {ImportReason::NotAFile, 0};
  if (!ec && std::filesystem::file_size(path, ec) == 0 && !ec) return {ImportReason::TooShort, 0};
  errno = 0;
  if (std::FILE* f = std::fopen(path, "rb")) {
    std::fclose(f);
    return {ImportReason::CannotRead, 0};
  }
  if (errno == EACCES || errno == EPERM) return {ImportReason::NoPermission, 0};
  if (errno == ENOENT) return {ImportReason::NotFound, 0};
  return {ImportReason::CannotRead, 0};
}

}  // namespace

std::unique_ptr<TrackReader> openTrackFile(const char* path, ImportRefusal& why) {
  why = ImportRefusal{};
  std::unique_ptr<platform::MappedFile> file = platform::MappedFile::map(path);
  if (!file) {
    refuse(&why, ImportReason::NoMemory);
    return nullptr;
  }
  if (file->size() == 0) {
    why = unmappableReason(path);
    return nullptr;
  }
  if (file->size() < MIN_TRACK_FILE_SIZE) {
    refuse(&why, ImportReason::TooShort);
    return nullptr;
  }
  std::unique_ptr<TrackReader> reader(new (std::nothrow) TrackReader(std::move(file)));
  if (!reader) {
    refuse(&why, ImportReason::NoMemory);
    return nullptr;
  }
  // A file cut short while mapped fails the read instead of ending the program.
  bool opened = false;
  if (!platform::guardMappedReads([&] { opened = reader->open(); })) {
    refuse(&why, ImportReason::CannotRead);
    return nullptr;
  }
  if (!opened) {
    why = reader->refusal();
    return nullptr;
  }
  return reader;
}

LoadStatus loadTrack(const char* path, LoadedTrack& track, LoadObserver* observer,
                     ImportRefusal* why, unsigned threads) {
  ImportRefusal refusal;
  std::unique_ptr<TrackReader> reader = openTrackFile(path, refusal);
  if (!reader)
    return failed(why,
                  refusal.reason == ImportReason::None ? ImportReason::CannotRead : refusal.reason,
                  refusal.detail);

  const std::uint32_t channels = reader->channels();
  const std::uint64_t blockBytes = reader->bytesPerBlock();
  const std::uint64_t totalBytes = reader->blockCount() * blockBytes;
  if (totalBytes / 2 / channels > MAX_TRACK_FRAMES) return failed(why, ImportReason::TooLong);
  std::unique_ptr<std::int16_t[]> samples(new (std::nothrow) std::int16_t[totalBytes / 2]);
  if (!samples) return failed(why, ImportReason::NoMemory);
  platform::preferLargePages(samples.get(), totalBytes);
  if (observer != nullptr) observer->loadStarted(samples.get(), channels, totalBytes);

  // With more threads, the blocks after the first piece come from readers of
  // their own; this thread reads the first piece and then reports the others'
  // blocks in order, so the observer sees the same calls either way.
  std::unique_ptr<PieceReaders> pieces;
  const std::uint64_t blockCount = reader->blockCount();
  if (threads > 1 && reader->source()->startsAnywhere()) {
    pieces.reset(new (std::nothrow) PieceReaders(path, samples.get(), blockCount,
                                                 reader->bytesPerBlock(), threads));
  }
  std::uint64_t firstPiece = pieces ? pieces->firstPieceBlocks() : blockCount;
  std::uint64_t produced = 0;
  for (std::uint64_t block = 0; block < blockCount; ++block) {
    bool ended = false;
    bool mine = block < firstPiece;
    PieceReaders::Block fromPiece = PieceReaders::Block::Read;
    if (!mine) {
      fromPiece = pieces->waitFor(block);
      if (fromPiece == PieceReaders::Block::Cut) return failed(why, ImportReason::CannotRead);
      if (fromPiece == PieceReaders::Block::NotStarted) {
        // This reader goes on from the end of the first piece: it reads the
        // blocks finished pieces filled again (the same bytes), then the rest.
        pieces.reset();
        bool caughtUp = false;
        if (!platform::guardMappedReads([&] {
              for (std::uint64_t b = firstPiece; b < block; ++b)
                reader->readBlock(samples.get() + b * blockBytes / 2, caughtUp);
            }))
          return failed(why, ImportReason::CannotRead);
        firstPiece = blockCount;
        mine = true;
      }
    }
    if (mine) {
      // A file cut short by another program while it is mapped fails the
      // load instead of ending the program.
      std::uint32_t read = 0;
      if (!platform::guardMappedReads(
              [&] { read = reader->readBlock(samples.get() + block * blockBytes / 2, ended); }))
        return failed(why, ImportReason::CannotRead);
      produced += read;
    } else if (fromPiece == PieceReaders::Block::Read) {
      produced += blockBytes;
      ended = block + 1 == blockCount;
    } else {
      ended = true;
    }
    if (observer != nullptr && !observer->blockRead(produced, totalBytes))
      return LoadStatus::Cancelled;
    if (ended) break;
  }

  track.samples = std::move(samples);
  track.channels = channels;
  track.frameCount = static_cast<std::uint32_t>(produced / 2 / channels);
  return LoadStatus::Loaded;
}

LoadStatus refusalStatus(const ImportRefusal& why) {
  return why.reason == ImportReason::NoMemory || why.reason == ImportReason::TooLong
             ? LoadStatus::NoMemory
             : LoadStatus::Unreadable;
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
