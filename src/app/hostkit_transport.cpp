#include "app/hostkit_transport.h"

#include "host/hostkit.h"

namespace app {

namespace {
constexpr std::int32_t PORT = 0;
}

bool HostkitTransport::streamPrime() {
  return StreamPrime(PORT);
}
bool HostkitTransport::streamStart() {
  return StreamStart(PORT);
}
void HostkitTransport::streamStop() {
  StreamStop(PORT);
}
void HostkitTransport::streamPause() {
  StreamPause(PORT);
}
void HostkitTransport::streamResume() {
  StreamResume(PORT);
}
void HostkitTransport::streamClose() {
  StreamClose(PORT);
}
void HostkitTransport::hostShutdown() {
  HostkitShutdown();
}

}  // namespace app
