// What the transport asks of the audio host, for the application's one port
// (port 0). The device selection creates it once a stream is ready; before
// that the main window has none, and CanAct keeps every transport action that
// needs it refused (streamReady is false).
#pragma once

namespace app {

class TransportHost {
 public:
  virtual ~TransportHost() = default;
  // Fills the 16 output headers by calling the output callback on this thread.
  // False when the host refuses.
  virtual bool streamPrime() = 0;
  // False when the host refuses; no callback comes then.
  virtual bool streamStart() = 0;
  // Stops the stream; the host's delivery thread is joined before it returns.
  virtual void streamStop() = 0;
  virtual void streamPause() = 0;
  virtual void streamResume() = 0;
  virtual void streamClose() = 0;
  // Closes the driver and the host (teardown, after streamClose).
  virtual void hostShutdown() = 0;
};

}  // namespace app
