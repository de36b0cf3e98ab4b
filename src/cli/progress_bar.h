// A progress bar on stderr for long reads and writes, drawn only when stderr is
// a terminal so that scripts and logs get no control characters.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

class ProgressBar {
 public:
  // `label` is printed before the bar ("decoding").
  explicit ProgressBar(std::string label);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Redraws when the shown percentage changes; cheap to call per block.
  void update(std::uint64_t done, std::uint64_t total);
  // Clears the bar's line; called by the destructor too.
  void finish();

 private:
  std::string label_;
  bool enabled_;
  int shownPercent_ = -1;
};

}  // namespace cli
