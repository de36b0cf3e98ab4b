#include "cli/progress_bar.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

constexpr int BAR_WIDTH = 40;
// Assumed when the terminal does not say how wide it is.
constexpr int DEFAULT_COLUMNS = 80;
// " [" + "] " + "100%": the bar's text beside the label and the bar itself.
constexpr int BAR_DECORATION = 8;
// The last column is left free: some terminals wrap as soon as it is written.
constexpr int SPARE_COLUMNS = 1;

int terminalColumns() {
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns > 0) return columns;
  }
#else
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
  return DEFAULT_COLUMNS;
}

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) == 1;
#endif
}

}  // namespace

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)), enabled_(stderrIsTerminal()) {}

ProgressBar::~ProgressBar() {
  finish();
}

void ProgressBar::update(std::uint64_t done, std::uint64_t total) {
  if (!enabled_ || total == 0) return;
  if (done > total) done = total;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  // Measured on every redraw, so a window resized during a long read still
  // gets a line that fits.
  std::fputs(progressLine(label_, percent, terminalColumns()).c_str(), stderr);
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (!enabled_ || shownPercent_ < 0) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shownPercent_ = -1;
}

std::string progressLine(const std::string& label, int percent, int columns) {
  const int room = columns - SPARE_COLUMNS;
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  std::string line = "\r";
  const int labelRoom = room - BAR_DECORATION;
  const int width = std::min(BAR_WIDTH, labelRoom - static_cast<int>(label.size()));
  if (width >= 4) {
    const int filled = percent * width / 100;
    line += label + " [" + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(width - filled), '.') + "] " + number;
  } else if (room >= 4) {
    // Too narrow for a bar: the percentage alone, with as much label as fits.
    const int keep = std::max(0, room - 5);
    line += label.substr(0, static_cast<std::size_t>(keep)) + (keep > 0 ? " " : "") + number;
  }
  return line;
}

}  // namespace cli
