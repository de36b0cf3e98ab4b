#include "cli/progress_bar.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

#include <cstdio>

namespace cli {

namespace {
constexpr int BAR_WIDTH = 40;
}

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
  finish();
}

void ProgressBar::update(std::uint64_t done, std::uint64_t total) {
  if (!enabled_ || total == 0) return;
  if (done > total) done = total;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const int filled = percent * BAR_WIDTH / 100;
  char bar[BAR_WIDTH + 1];
  for (int i = 0; i < BAR_WIDTH; ++i) bar[i] = i < filled ? '#' : '.';
  bar[BAR_WIDTH] = '\0';
  std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar, percent);
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (!enabled_ || shownPercent_ < 0) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shownPercent_ = -1;
}

}  // namespace cli
