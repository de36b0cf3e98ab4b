// NoteNameTable: the names of the notes C0..B8 the readout shows, entry i being
// i - 57 semitones from A4 (so A4 is entry 57).
#pragma once

#include <array>
#include <string_view>

namespace tuning {

inline constexpr int NOTE_NAME_COUNT = 108;
inline constexpr int NOTE_NAME_A4 = 57;
inline constexpr int NOTE_NAME_WIDTH = 7;  // entries are padded with blanks to this width

using NoteNameEntry = std::array<char, NOTE_NAME_WIDTH + 1>;
extern const std::array<NoteNameEntry, NOTE_NAME_COUNT> NoteNameTable;

// Entry i with its padding removed; empty outside 0..107.
std::string_view noteName(int index);

}  // namespace tuning
