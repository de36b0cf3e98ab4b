#include "cli/transport_session.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_constants.h"
#include "cli/region_options.h"
#include "cli/track_io.h"
#include "host/hostkit.h"
#include "platform/settings_file.h"

namespace cli {

namespace {

using namespace std::chrono_literals;

constexpr int NAME_LIST_BYTES = 2048;
constexpr auto STATUS_INTERVAL = 100ms;
constexpr auto POLL_INTERVAL = 5ms;
// An hour and a little more: what a recording can hold.
constexpr double MAX_SECONDS = 3700.0;

std::int32_t listedDevices() {
  char names[NAME_LIST_BYTES] = {};
  return HostkitListDevices(names, sizeof names);
}

// The driver the desktop program opens without a choice: "Devnum" of the
// settings file, else the first character of ASIOConfig.txt in the current
// folder, else the first; a number past the list means the first.
std::int32_t configuredDevice(std::int32_t count) {
  std::int32_t index = 0;
  if (!platform::readSettingNumber(platform::settingsFilePath(), "Options", "Devnum", index)) {
    index = 0;
    if (std::FILE* file = std::fopen("ASIOConfig.txt", "r")) {
      const int first = std::fgetc(file);
      std::fclose(file);
      if (first != EOF) index = first - '0';
    }
  }
  return index < 0 || index >= count ? 0 : index;
}

}  // namespace

bool takeTransportOption(const Args& args, std::size_t& i, TransportOptions& options,
                         std::string& error) {
  std::string value;
  if (takeOptionValue(args, i, "--device", value, error)) {
    options.device = value;
    return true;
  }
  if (takeOptionValue(args, i, "--seconds", value, error)) {
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (error.empty() && (value.empty() || end == nullptr || *end != '\0' ||
                          !std::isfinite(seconds) || seconds <= 0 || seconds > MAX_SECONDS))
      error = "--seconds must be a number of seconds above 0 (up to 3700), not '" + value + "'";
    options.seconds = seconds;
    return true;
  }
  return false;
}

std::string secondsText(std::uint64_t frames, std::uint32_t rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", rate != 0 ? static_cast<double>(frames) / rate : 0.0);
  return text;
}

TransportSession::TransportSession() : app_(std::make_unique<state::AppState>()) {}

TransportSession::~TransportSession() {
  // The window's teardown: stops and closes the stream, closes the driver.
  if (window_) window_->onDestroy();
}

int TransportSession::open(const TransportOptions& options) {
  const std::int32_t count = listedDevices();
  if (count <= 0) return fail("no audio driver found (cantora-cli devices --help says where)");
  std::int32_t index = configuredDevice(count);
  if (options.device) {
    unsigned long long n = 0;
    if (!parseUnsigned(*options.device, n) || n >= static_cast<unsigned long long>(count)) {
      fail("no audio device '" + *options.device + "' (0 to " + std::to_string(count - 1) +
           "; cantora-cli devices lists them)");
      return EXIT_USAGE;
    }
    index = static_cast<std::int32_t>(n);
  }
  // A message box is one line on stderr, over the status line when one is shown.
  shell_ = std::make_unique<app::WindowlessShell>(index, [](std::string_view text) {
    if (isatty(STDERR_FILENO) == 1) std::fputs("\r\033[K", stderr);
    fail(text);
  });
  window_ = std::make_unique<app::MainWindow>(*app_, *shell_);
  // No pause after a button: nothing here clicks twice in a row.
  window_->setSettleWait([](std::chrono::milliseconds) {});
  if (!window_->onCreate()) return fail("out of memory");
  window_->onCommand(app::CMD_SELECT_DEVICE);
  if (!app_->driverOpen) {
    const char* why = HostkitErrorText();
    return fail(std::string("could not open the audio device") +
                (why != nullptr && why[0] != '\0' ? std::string(": ") + why : std::string()));
  }
  if (!app_->streamReady) return fail("the audio device refused the stream");
  return 0;
}

int TransportSession::run(int id, std::uint64_t stopAfterFrames,
                          const std::function<std::string(const state::AppState&)>& status) {
  state::AppState& app = *app_;
  window_->onCommand(id);
  if (!state::isStreaming(app.mode)) return 1;  // refused, and the reason printed
  const bool terminal = isatty(STDERR_FILENO) == 1;
  auto nextStatus = std::chrono::steady_clock::now();
  bool stopClicked = false;
  bool byInterrupt = false;
  while (app.mode != state::TransportMode::Idle) {
    if (std::optional<int> posted = shell_->takePosted(POLL_INTERVAL)) window_->onCommand(*posted);
    if (app.mode == state::TransportMode::Idle) break;
    const bool enough = stopAfterFrames != 0 && app.deviceFrames >= stopAfterFrames;
    if (!stopClicked && (enough || interrupted())) {
      byInterrupt = !enough;
      stopClicked = true;
      window_->onCommand(app::CMD_STOP);
    }
    if (terminal && std::chrono::steady_clock::now() >= nextStatus) {
      nextStatus += STATUS_INTERVAL;
      std::fprintf(stderr, "\r\033[K%s", status(app).c_str());
      std::fflush(stderr);
    }
  }
  if (terminal) std::fputs("\r\033[K", stderr);
  return byInterrupt ? EXIT_INTERRUPTED : 0;
}

}  // namespace cli
