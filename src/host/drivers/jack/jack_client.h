// The driver's connection to the JACK server: opens the client with its four
// ports, relays the server's callbacks to the driver, activates, connects to
// the system ports and reads their latencies. The only code that sees the
// JACK API.
#pragma once

#include <memory>
#include <string>

namespace jackdriver {

class JackDriver;

class JackClient {
 public:
  // Opens the client on serverName (empty: JACK's own choice), never starting
  // a server. Null with a one-line reason in `error` when that fails.
  static std::unique_ptr<JackClient> open(const std::string& serverName, JackDriver& driver,
                                          std::string& error);
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  double sampleRate() const;
  int periodFrames() const;

  // Neither may be called once the server has gone away.
  bool activate();
  void deactivate();

  // Connects out_n to the n-th physical playback port and the n-th physical
  // capture port to in_n, where those exist; failures leave a port alone.
  void connectToSystem();
  // The largest latency (server frames) of the physical capture and playback
  // ports connectToSystem would use; 0 when there are none.
  int systemCaptureLatency() const;
  int systemPlaybackLatency() const;

 private:
  struct Impl;
  explicit JackClient(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace jackdriver
