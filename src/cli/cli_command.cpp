#include "cli/cli_command.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {
std::vector<const CliCommand*>& registry() {
  static std::vector<const CliCommand*> all;
  return all;
}
}  // namespace

CliRegistration::CliRegistration(const CliCommand& command) {
  registry().push_back(&command);
}

std::vector<const CliCommand*> commands() {
  auto all = registry();
  std::sort(all.begin(), all.end(), [](const CliCommand* a, const CliCommand* b) {
    return std::strcmp(a->name, b->name) < 0;
  });
  return all;
}

const CliCommand* findCommand(std::string_view name) {
  for (const CliCommand* c : registry())
    if (name == c->name) return c;
  return nullptr;
}

int fail(std::string_view message) {
  std::fprintf(stderr, "cantora-cli: %.*s\n", static_cast<int>(message.size()), message.data());
  return 1;
}

bool wantsHelp(const Args& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "-h" || a == "--help"; });
}

bool parseUnsigned(std::string_view text, unsigned long long& value) {
  if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool parseInteger(std::string_view text, long long min, long long max, long long& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  long long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max) return false;
  value = v;
  return true;
}

}  // namespace cli
