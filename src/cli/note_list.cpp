#include "cli/note_list.h"

#include <array>
#include <cctype>
#include <string_view>

namespace cli {

namespace {

// Semitones above A of the natural notes A to G.
constexpr std::array<int, 7> NATURAL = {0, 2, 3, 5, 7, 8, 10};

// Takes `sign` from the front of `rest` when it is there.
bool take(std::string_view& rest, std::string_view sign) {
  if (rest.substr(0, sign.size()) != sign) return false;
  rest.remove_prefix(sign.size());
  return true;
}

// The pitch class (semitones above A) of one spelling: a letter A to G, any
// number of sharps (#, s or the sharp sign) or flats (b, f or the flat sign),
// then an octave number, which is ignored since the notes hold in every
// octave. Case does not matter: C#, Cs, cs4, Db, DB, Bb3, Cb and E# are all
// taken. -1 when it is no note.
int spellingClass(std::string_view name) {
  if (name.empty()) return -1;
  const int letter = std::tolower(static_cast<unsigned char>(name[0])) - 'a';
  if (letter < 0 || letter >= static_cast<int>(NATURAL.size())) return -1;
  int semitones = NATURAL[letter];
  std::string_view rest = name.substr(1);
  for (;;) {
    if (take(rest, "\u266F")) {
      ++semitones;
    } else if (take(rest, "\u266D")) {
      --semitones;
    } else if (rest.empty()) {
      break;
    } else {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
      if (c == '#' || c == 's')
        ++semitones;
      else if (c == 'b' || c == 'f')
        --semitones;
      else
        break;
      rest.remove_prefix(1);
    }
  }
  if (!rest.empty()) {
    take(rest, "-");  // octave -1
    if (rest.empty()) return -1;
    for (char c : rest)
      if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
  }
  return (semitones % 12 + 12) % 12;
}

// The pitch class of a note name, which may give two spellings of one note
// joined by '/' as the readout shows them ("C#4/Db4"); -1 when it is no note.
int noteClass(std::string_view name) {
  const std::size_t slash = name.find('/');
  const int first = spellingClass(name.substr(0, slash));
  if (slash == std::string_view::npos || first < 0) return first;
  return noteClass(name.substr(slash + 1)) == first ? first : -1;
}

}  // namespace

bool parseNotes(const std::string& list, tuning::EngineParams& params, std::string& error) {
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = list.find_first_of(", ", at);
    const std::string name = list.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? list.size() : end + 1;
    if (name.empty()) continue;
    const int index = noteClass(name);
    if (index < 0) {
      error = "'" + name + "' is no note (a letter A to G, then # or b, s or f, and an octave if " +
              "you like: C, C#, Db, cs4)";
      return false;
    }
    params.noteEnabled[index] = true;
  }
  return true;
}

}  // namespace cli
