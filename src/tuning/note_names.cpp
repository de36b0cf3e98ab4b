#include "tuning/note_names.h"

namespace tuning {

namespace {

// Octave 4 of the table; every octave repeats it with its own digit in place
// of each '4'.
constexpr std::array<std::string_view, 12> OCTAVE_PATTERN = {
    "C4",      "C#4/Db4", "D4",      "D#4/Eb4", "E4",      "F4",
    "F#4/Gb4", "G4",      "G#4/Ab4", "A4",      "A#4/Bb4", "B4"};

constexpr std::array<NoteNameEntry, NOTE_NAME_COUNT> buildTable() {
  std::array<NoteNameEntry, NOTE_NAME_COUNT> table{};
  for (int octave = 0; octave < 9; ++octave) {
    for (int note = 0; note < 12; ++note) {
      NoteNameEntry& entry = table[octave * 12 + note];
      const std::string_view pattern = OCTAVE_PATTERN[note];
      for (int c = 0; c < NOTE_NAME_WIDTH; ++c) {
        char ch = c < static_cast<int>(pattern.size()) ? pattern[c] : ' ';
        entry[c] = ch == '4' ? static_cast<char>('0' + octave) : ch;
      }
      entry[NOTE_NAME_WIDTH] = '\0';
    }
  }
  return table;
}

}  // namespace

const std::array<NoteNameEntry, NOTE_NAME_COUNT> NoteNameTable = buildTable();

std::string_view noteName(int index) {
  if (index < 0 || index >= NOTE_NAME_COUNT) return {};
  std::string_view name(NoteNameTable[index].data(), NOTE_NAME_WIDTH);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

}  // namespace tuning
