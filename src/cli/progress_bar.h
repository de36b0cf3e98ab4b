// A progress bar on stderr for long reads and writes, drawn only when stderr is
// a terminal so that scripts and logs get no control characters. The line is
// kept narrower than the terminal, so it never wraps onto a second line that
// the next redraw could not clear.
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

// The text of one redraw for a terminal `columns` wide: a carriage return, then
// "LABEL [####....]  42%" shortened to fit in columns - 1.
std::string progressLine(const std::string& label, int percent, int columns);

}  // namespace cli
