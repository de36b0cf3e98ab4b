// The note list of `tune --notes`: names of the notes the tuning may snap to,
// in any octave, separated by commas or blanks.
#pragma once

#include <string>

#include "tuning/tuning_engine.h"

namespace cli {

// "C,E,G" or "C E G" into the twelve flags of `params`; false with `error`
// naming the first name that is no note.
bool parseNotes(const std::string& list, tuning::EngineParams& params, std::string& error);

}  // namespace cli
