#include "platform/mapped_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string tempPath(const char* name) {
  return ::testing::TempDir() + "cantora_mapped_" + std::to_string(::getpid()) + "_" + name;
}

// Every import maps its file, so mapping is covered there too; here what must
// not map, and an unmap that may come twice (at the end of the data and at
// destruction).
TEST(MappedFile, AnythingUnreadableHasSizeZero) {
  const std::string small = tempPath("small");
  std::FILE* f = std::fopen(small.c_str(), "wb");
  std::fputs("abc", f);
  std::fclose(f);
  auto mapped = platform::MappedFile::map(small.c_str());
  ASSERT_EQ(mapped->size(), 3u);
  EXPECT_EQ(std::memcmp(mapped->data(), "abc", 3), 0);
  mapped->unmap();
  mapped->unmap();
  EXPECT_EQ(mapped->size(), 0u);
  std::remove(small.c_str());

  const std::string empty = tempPath("empty");
  const std::string fifo = tempPath("fifo");
  std::fclose(std::fopen(empty.c_str(), "wb"));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Missing, a directory, an empty file, and a FIFO (which must not block).
  for (const std::string& path : {tempPath("missing"), ::testing::TempDir(), empty, fifo}) {
    mapped = platform::MappedFile::map(path.c_str());
    EXPECT_EQ(mapped->size(), 0u) << path;
    EXPECT_EQ(mapped->data(), nullptr) << path;
  }
  EXPECT_EQ(platform::MappedFile::map(nullptr)->size(), 0u);
  std::remove(empty.c_str());
  std::remove(fifo.c_str());
}

}  // namespace
