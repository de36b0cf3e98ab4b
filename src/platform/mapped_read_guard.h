// Reading a mapped file that another program cuts short: the pages past the
// new end have nothing behind them, and touching one raises SIGBUS, which
// would end the whole program. A load runs its reads of the mapping under
// this guard instead, which turns that signal into a failed read on the
// thread that touched the page. Other threads and other SIGBUS causes keep
// the behaviour they had before.
#pragma once

#include <type_traits>

namespace platform {

// Runs body(context); false when it was abandoned because it read a page of a
// mapping with no file behind it. An abandoned body is left where it stood:
// what it was reading must be thrown away, and it must not hold locks or
// anything a destructor would have released. Guards may nest.
bool runGuardingMappedReads(void (*body)(void*), void* context);

template <typename F>
bool guardMappedReads(F&& body) {
  using Body = std::remove_reference_t<F>;
  return runGuardingMappedReads([](void* c) { (*static_cast<Body*>(c))(); }, &body);
}

}  // namespace platform
