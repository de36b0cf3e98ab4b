#include "platform/mapped_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string tempPath(const char* name) {
  return ::testing::TempDir() + "cantora_mapped_" + std::to_string(::getpid()) + "_" + name;
}

TEST(MappedFile, MapsTheWholeFileReadOnlyAndUnmapsOnce) {
  const std::string path = tempPath("whole");
  std::vector<unsigned char> bytes(10000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);

  auto mapped = platform::MappedFile::map(path.c_str());
  ASSERT_NE(mapped, nullptr);
  ASSERT_EQ(mapped->size(), bytes.size());
  EXPECT_EQ(std::memcmp(mapped->data(), bytes.data(), bytes.size()), 0);
  // The mapping stays valid after the name is gone.
  std::remove(path.c_str());
  EXPECT_EQ(mapped->data()[9999], bytes[9999]);
  mapped->unmap();
  EXPECT_EQ(mapped->size(), 0u);
  EXPECT_EQ(mapped->data(), nullptr);
  mapped->unmap();
  EXPECT_EQ(mapped->size(), 0u);
}

TEST(MappedFile, AnythingUnreadableHasSizeZero) {
  EXPECT_EQ(platform::MappedFile::map(nullptr)->size(), 0u);
  EXPECT_EQ(platform::MappedFile::map(tempPath("missing").c_str())->size(), 0u);
  // A directory, an empty file and a FIFO (which must not block) are refused.
  EXPECT_EQ(platform::MappedFile::map(::testing::TempDir().c_str())->size(), 0u);
  const std::string empty = tempPath("empty");
  std::fclose(std::fopen(empty.c_str(), "wb"));
  EXPECT_EQ(platform::MappedFile::map(empty.c_str())->size(), 0u);
  std::remove(empty.c_str());
  const std::string fifo = tempPath("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto mapped = platform::MappedFile::map(fifo.c_str());
  EXPECT_EQ(mapped->size(), 0u);
  EXPECT_EQ(mapped->data(), nullptr);
  std::remove(fifo.c_str());
}

}  // namespace
