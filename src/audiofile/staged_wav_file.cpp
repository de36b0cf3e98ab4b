#include "audiofile/staged_wav_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <random>

#include "audiofile/audiofile_constants.h"
#include "platform/output_file.h"

namespace audiofile {

namespace {

constexpr int TEMPORARY_NAME_TRIES = 16;

// A name beside `target` that no file has yet: ".NAME.XXXXXX.tmp" in its folder.
std::string temporaryNameFor(const std::string& target, std::mt19937& gen) {
#ifdef _WIN32
  const std::size_t slash = target.find_last_of("/\\");
#else
  const std::size_t slash = target.rfind('/');
#endif
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  static const char ALPHABET[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string tag(6, 'x');
  for (char& c : tag) c = ALPHABET[gen() % (sizeof ALPHABET - 1)];
  return folder + "." + name + "." + tag + ".tmp";
}

}  // namespace

StagedWavFile::~StagedWavFile() {
  abandon();
}

bool StagedWavFile::create(const std::string& target, std::uint32_t channels,
                           std::uint32_t sampleRate) {
  if (isOpen()) return false;
  // The names are built in memory: without it no file is made, as when the
  // system refuses one (the save and record workers report it and go on).
  try {
    return createFile(target, channels, sampleRate);
  } catch (const std::bad_alloc&) {
    writer_.finish();
    if (!temporary_.empty()) platform::removeFile(temporary_.c_str());
    temporary_.clear();
    error_ = ENOMEM;
    return false;
  }
}

bool StagedWavFile::createFile(const std::string& target, std::uint32_t channels,
                               std::uint32_t sampleRate) {
  target_ = target;
  temporary_.clear();
  failed_ = false;
  keptPartial_ = false;
  error_ = 0;
  // A file that is there already is replaced only where it could have been
  // overwritten in place: not a folder, not a file the user may not write.
  // Through a symbolic link the file it points to is replaced.
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists) {
    if (S_ISDIR(existing.st_mode)) {
      error_ = EISDIR;
      return false;
    }
    if (::access(target.c_str(), W_OK) != 0) {
      error_ = errno;
      return false;
    }
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(target, ec);
    if (!ec) target_ = resolved.string();
  }
  std::random_device seed;
  std::mt19937 gen(seed());
  for (int i = 0; i < TEMPORARY_NAME_TRIES; ++i) {
    const std::string name = temporaryNameFor(target_, gen);
    if (writer_.create(name.c_str(), channels, sampleRate, true)) {
      temporary_ = name;
      // The new file keeps the permissions of the one it replaces.
      if (exists) ::chmod(name.c_str(), existing.st_mode & 07777);
      return true;
    }
    // Another file by that name: try another; any other failure is final.
    if (writer_.lastError() != EEXIST) break;
  }
  error_ = writer_.lastError();
  return false;
}

bool StagedWavFile::write(const void* piece, std::uint32_t size) {
  if (failed_ || !isOpen()) return false;
  std::uint32_t accepted = 0;
  const std::uint32_t status = writer_.writeBlock(piece, size, accepted);
  writer_.addToTotal(accepted);
  if (status == WAV_WRITE_OK && accepted == size) return true;
  failed_ = true;
  error_ = writer_.lastError();
  writer_.finish();
  return false;
}

bool StagedWavFile::commit(bool keepPartial) {
  keptPartial_ = false;
  if (temporary_.empty()) return false;
  writer_.finish();
  const bool writesFailed = failed_;
  if (!writer_.lastFinishComplete()) {
    failed_ = true;
    if (error_ == 0) error_ = writer_.lastError();
  }
  const bool keep = !failed_ || (keepPartial && writesFailed && writer_.lastFinishComplete());
  int replaceError = 0;
  if (keep && !platform::replaceFile(temporary_.c_str(), target_.c_str(), replaceError)) {
    failed_ = true;
    error_ = replaceError;
    abandon();
    return false;
  }
  if (!keep) {
    abandon();
    return false;
  }
  temporary_.clear();
  keptPartial_ = writesFailed;
  return !writesFailed;
}

void StagedWavFile::abandon() {
  writer_.finish();
  if (temporary_.empty()) return;
  platform::removeFile(temporary_.c_str());
  temporary_.clear();
}

}  // namespace audiofile
