// The encoder's tag frame as LAME, ffmpeg and Xing write it: where the
// identifier stands for each layout of side information, where the LAME
// extension follows the optional Xing fields, and what is not taken for one.
#include "audiofile/mpeg_tag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audiofile/audio_test_files.h"

namespace {

using audiofile::MpegTagKind;

// A frame of `word` and `length` bytes with `id` after `sideInfo` bytes of side
// information, Xing flags `flags`, and an encoder name with delay 576 and
// padding 1234 where the flags put the LAME extension.
std::vector<unsigned char> tagFrame(std::uint32_t word, std::uint32_t length,
                                    std::uint32_t sideInfo, const char* id, std::uint32_t flags,
                                    const char* encoder) {
  std::vector<unsigned char> f;
  testfiles::appendMpegFrame(f, word, length);
  const std::size_t at = 4 + sideInfo;
  std::memcpy(&f[at], id, 4);
  for (int i = 0; i < 4; ++i) f[at + 4 + i] = static_cast<unsigned char>(flags >> (24 - 8 * i));
  std::size_t lame = at + 8;
  const std::size_t fieldBytes[4] = {4, 4, 100, 4};
  for (int bit = 0; bit < 4; ++bit)
    if ((flags & (1u << bit)) != 0) lame += fieldBytes[bit];
  std::memcpy(&f[lame], encoder, std::strlen(encoder));
  const unsigned char delays[3] = {0x24, 0x04, 0xD2};  // 576, 1234
  std::memcpy(&f[lame + 21], delays, 3);
  return f;
}

TEST(MpegEncoderTag, FindsTheTagAndItsDelaysInEveryLayout) {
  const struct {
    const char* name;
    std::vector<unsigned char> frame;
    MpegTagKind kind;
  } cases[] = {
      {"LAME CBR, MPEG-1 stereo", tagFrame(0xFFFB9064, 417, 32, "Info", 0xF, "LAME3.100"),
       MpegTagKind::Lame},
      {"LAME VBR without seek table", tagFrame(0xFFFB9064, 417, 32, "Xing", 0x3, "LAME3.99r"),
       MpegTagKind::Lame},
      {"ffmpeg, MPEG-1 mono", tagFrame(0xFFFB90C4, 417, 17, "Info", 0xF, "Lavc60.3."),
       MpegTagKind::Lame},
      {"LAME, MPEG-2 mono", tagFrame(0xFFF3A0C4, 288, 9, "Info", 0xF, "LAME3.100"),
       MpegTagKind::Lame},
      {"Xing alone", tagFrame(0xFFFB9064, 417, 32, "Xing", 0xF, "\0\0\0\0"), MpegTagKind::Xing},
      {"audio", tagFrame(0xFFFB9064, 417, 32, "\x12\x34\x56\x78", 0xF, "LAME3.100"),
       MpegTagKind::None},
      {"extension past the frame", tagFrame(0xFFFB9064, 417, 32, "Info", 0xF, "LAME3.100"),
       MpegTagKind::Xing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool cut = std::strcmp(c.name, "extension past the frame") == 0;
    const auto length = static_cast<std::uint32_t>(cut ? 4 + 32 + 8 + 112 + 20 : c.frame.size());
    const audiofile::MpegEncoderTag tag = audiofile::readEncoderTag(c.frame.data(), length);
    EXPECT_EQ(tag.kind, c.kind);
    EXPECT_EQ(tag.delay, c.kind == MpegTagKind::Lame ? 576u : 0u);
    EXPECT_EQ(tag.padding, c.kind == MpegTagKind::Lame ? 1234u : 0u);
  }
}

}  // namespace
