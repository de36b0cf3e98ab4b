#include "platform/mapped_read_guard.h"

#include <csetjmp>
#include <csignal>
#include <mutex>

namespace platform {

namespace {

thread_local sigjmp_buf* activeGuard = nullptr;
struct sigaction previousAction {};

void onBusError(int signal, siginfo_t* info, void* context) {
  if (activeGuard != nullptr) siglongjmp(*activeGuard, 1);
  // Not a guarded read: whoever handled SIGBUS before decides.
  if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
    previousAction.sa_sigaction(signal, info, context);
  } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
  } else {
    std::signal(SIGBUS, SIG_DFL);
    std::raise(SIGBUS);
  }
}

void installHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGBUS, &action, &previousAction);
  });
}

}  // namespace

bool runGuardingMappedReads(void (*body)(void*), void* context) {
  installHandler();
  sigjmp_buf jump;
  sigjmp_buf* const outer = activeGuard;
  if (sigsetjmp(jump, 1) != 0) {
    activeGuard = outer;
    return false;
  }
  activeGuard = &jump;
  body(context);
  activeGuard = outer;
  return true;
}

}  // namespace platform
