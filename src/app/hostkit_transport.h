// The transport's stream on the audio host: port 0 of Hostkit, opened by the
// device selection.
#pragma once

#include "app/transport_host.h"

namespace app {

class HostkitTransport final : public TransportHost {
 public:
  bool streamPrime() override;
  bool streamStart() override;
  void streamStop() override;
  void streamPause() override;
  void streamResume() override;
  void streamClose() override;
  void hostShutdown() override;
};

}  // namespace app
