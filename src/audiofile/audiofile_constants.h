// Sizes, format codes and messages shared by the audio-file readers, the WAV
// writer and the track import. Every track in memory is interleaved 16-bit
// PCM at 44100 Hz with one or two channels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace audiofile {

// The rate of every track in memory.
inline constexpr std::uint32_t TRACK_RATE = 44100;

// The unit of import: blocks of this many frames, the last one padded with zeros.
inline constexpr std::uint32_t IMPORT_BLOCK_FRAMES = 4608;
// Bytes of one block for each channel: 4608 samples of 2 bytes.
inline constexpr std::uint32_t BLOCK_BYTES_PER_CHANNEL = 9216;

// Files shorter than this are refused before any parsing.
inline constexpr std::size_t MIN_TRACK_FILE_SIZE = 4096;

// What a source or a WAV header holds.
inline constexpr std::uint32_t KIND_NONE = 0;
inline constexpr std::uint32_t KIND_PCM = 1;
inline constexpr std::uint32_t KIND_MPEG = 0x55;

// WAV format tags.
inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
inline constexpr std::uint16_t WAVE_FORMAT_MPEG_LAYER3 = 0x55;

// How a track source produces its blocks.
inline constexpr std::uint32_t READ_PCM_DIRECT = 0;
inline constexpr std::uint32_t READ_MPEG_DIRECT = 1;
inline constexpr std::uint32_t READ_CONVERTED = 2;

// Status codes of the WAV writer's write block (0 is success).
inline constexpr std::uint32_t WAV_WRITE_OK = 0;
inline constexpr std::uint32_t WAV_ERR_CANNOT_WRITE = 0x106;

// The messages and caption a failed load shows.
inline constexpr const char* MSG_LOAD_UNREADABLE = "Could not load or read this file!";
inline constexpr const char* MSG_LOAD_NO_MEMORY = "Insufficient memory to load this track!";
inline constexpr const char* CAPTION_LOAD_ERROR = "File load error";

}  // namespace audiofile
