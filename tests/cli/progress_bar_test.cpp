// The progress bar's line at every terminal width: it must fit in one line,
// one column short of the edge, or the next redraw cannot clear it.
#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgressBar, EveryLineFitsTheTerminalAndShowsThePercentage) {
  for (int columns = 1; columns <= 200; ++columns) {
    for (int percent : {0, 7, 42, 100}) {
      const std::string line = cli::progressLine("reading", percent, columns);
      SCOPED_TRACE(std::to_string(columns) + " columns: " + line);
      ASSERT_EQ(line.rfind('\r'), 0u);
      ASSERT_LE(line.size() - 1, static_cast<std::size_t>(columns > 1 ? columns - 1 : 0));
      EXPECT_TRUE(columns < 6 || line.find(std::to_string(percent) + "%") != std::string::npos);
    }
  }
  // A wide terminal gets the whole bar, filled in proportion.
  EXPECT_EQ(cli::progressLine("reading", 50, 120),
            "\rreading [" + std::string(20, '#') + std::string(20, '.') + "]  50%");
}

}  // namespace
