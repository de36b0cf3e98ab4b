// Writing a whole small output file (a CSV table, a PNG picture) so that it is
// never left half-written: the bytes go to a temporary file beside the target,
// which is renamed over it once they are all in.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// Writes `bytes` to `target`. False with `error` set ("PATH: reason") when it
// could not; the target is then as it was and no temporary file is left.
bool writeWholeFile(const std::string& target, std::string_view bytes, std::string& error);

}  // namespace cli
