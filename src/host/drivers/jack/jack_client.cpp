#include "host/drivers/jack/jack_client.h"

#include <jack/jack.h>

#include <cstdio>
#include <cstdlib>

#include "host/drivers/jack/jack_constants.h"
#include "host/drivers/jack/jack_driver.h"

namespace jackdriver {

namespace {

// libjack reports its troubles on stderr through process-wide functions. The
// driver turns them into its own error texts, so a missing server does not
// spill socket errors onto the user's terminal.
void quiet(const char*) {}

std::string reasonFor(jack_status_t status) {
  if ((status & JackServerFailed) != 0) return "is not running";
  if ((status & JackShmFailure) != 0) return "cannot be reached: no shared memory";
  if ((status & JackVersionError) != 0) return "speaks another protocol version";
  if ((status & JackServerError) != 0) return "refused the client";
  if ((status & JackInitFailure) != 0) return "could not initialise the client";
  if ((status & JackLoadFailure) != 0) return "could not load the client";
  if ((status & JackInvalidOption) != 0) return "refused an option";
  char text[48];
  std::snprintf(text, sizeof text, "failed (status 0x%x)", static_cast<unsigned>(status));
  return text;
}

std::string effectiveServerName(const std::string& serverName) {
  if (!serverName.empty()) return serverName;
  const char* fromEnvironment = std::getenv(SERVER_NAME_VARIABLE);
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  return DEFAULT_SERVER_NAME;
}

}  // namespace

struct JackClient::Impl {
  jack_client_t* client = nullptr;
  jack_port_t* inputs[CHANNELS] = {};
  jack_port_t* outputs[CHANNELS] = {};
  JackDriver* driver = nullptr;

  static int onProcess(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    const float* in[CHANNELS];
    float* out[CHANNELS];
    for (int c = 0; c < CHANNELS; ++c) {
      in[c] = static_cast<const float*>(jack_port_get_buffer(self->inputs[c], frames));
      out[c] = static_cast<float*>(jack_port_get_buffer(self->outputs[c], frames));
    }
    self->driver->process(in, out, static_cast<int>(frames));
    return 0;
  }
  static int onBufferSize(jack_nframes_t frames, void* arg) {
    static_cast<Impl*>(arg)->driver->serverPeriodChanged(static_cast<int>(frames));
    return 0;
  }
  static int onSampleRate(jack_nframes_t rate, void* arg) {
    static_cast<Impl*>(arg)->driver->serverRateChanged(static_cast<double>(rate));
    return 0;
  }
  static void onShutdown(jack_status_t, const char*, void* arg) {
    static_cast<Impl*>(arg)->driver->serverGone();
  }

  // The physical ports of one kind, in the server's order; null when none.
  const char** physicalPorts(unsigned long flags) const {
    return jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | flags);
  }

  int latencyOf(unsigned long flags, jack_latency_callback_mode_t mode) const {
    const char** names = physicalPorts(flags);
    if (names == nullptr) return 0;
    jack_nframes_t worst = 0;
    for (int c = 0; c < CHANNELS && names[c] != nullptr; ++c) {
      jack_port_t* port = jack_port_by_name(client, names[c]);
      if (port == nullptr) continue;
      jack_latency_range_t range{};
      jack_port_get_latency_range(port, mode, &range);
      if (range.max > worst) worst = range.max;
    }
    jack_free(names);
    return static_cast<int>(worst);
  }
};

JackClient::JackClient(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<JackClient> JackClient::open(const std::string& serverName, JackDriver& driver,
                                             std::string& error) {
  jack_set_error_function(quiet);
  jack_set_info_function(quiet);
  const std::string server = effectiveServerName(serverName);
  auto impl = std::make_unique<Impl>();
  impl->driver = &driver;
  jack_status_t status{};
  impl->client =
      jack_client_open(CLIENT_NAME, static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                       &status, server.c_str());
  if (impl->client == nullptr) {
    error = "JACK server \"" + server + "\" " + reasonFor(status);
    return nullptr;
  }
  std::unique_ptr<JackClient> client(new JackClient(std::move(impl)));
  Impl& i = *client->impl_;
  for (int c = 0; c < CHANNELS; ++c) {
    i.inputs[c] = jack_port_register(i.client, INPUT_PORT_NAMES[c], JACK_DEFAULT_AUDIO_TYPE,
                                     JackPortIsInput, 0);
    i.outputs[c] = jack_port_register(i.client, OUTPUT_PORT_NAMES[c], JACK_DEFAULT_AUDIO_TYPE,
                                      JackPortIsOutput, 0);
    if (i.inputs[c] == nullptr || i.outputs[c] == nullptr) {
      error = "JACK server \"" + server + "\" refused to register the client's ports";
      return nullptr;
    }
  }
  if (jack_set_process_callback(i.client, Impl::onProcess, &i) != 0 ||
      jack_set_buffer_size_callback(i.client, Impl::onBufferSize, &i) != 0 ||
      jack_set_sample_rate_callback(i.client, Impl::onSampleRate, &i) != 0) {
    error = "JACK server \"" + server + "\" refused the client's callbacks";
    return nullptr;
  }
  jack_on_info_shutdown(i.client, Impl::onShutdown, &i);
  return client;
}

JackClient::~JackClient() {
  if (impl_->client == nullptr) return;
  // A dead server cannot answer: closing then only frees the client's side.
  jack_client_close(impl_->client);
}

double JackClient::sampleRate() const {
  return static_cast<double>(jack_get_sample_rate(impl_->client));
}

int JackClient::periodFrames() const {
  return static_cast<int>(jack_get_buffer_size(impl_->client));
}

bool JackClient::activate() {
  return jack_activate(impl_->client) == 0;
}

void JackClient::deactivate() {
  jack_deactivate(impl_->client);
}

void JackClient::connectToSystem() {
  Impl& i = *impl_;
  if (const char** playback = i.physicalPorts(JackPortIsInput)) {
    for (int c = 0; c < CHANNELS && playback[c] != nullptr; ++c)
      jack_connect(i.client, jack_port_name(i.outputs[c]), playback[c]);
    jack_free(playback);
  }
  if (const char** capture = i.physicalPorts(JackPortIsOutput)) {
    for (int c = 0; c < CHANNELS && capture[c] != nullptr; ++c)
      jack_connect(i.client, capture[c], jack_port_name(i.inputs[c]));
    jack_free(capture);
  }
}

int JackClient::systemCaptureLatency() const {
  return impl_->latencyOf(JackPortIsOutput, JackCaptureLatency);
}

int JackClient::systemPlaybackLatency() const {
  return impl_->latencyOf(JackPortIsInput, JackPlaybackLatency);
}

}  // namespace jackdriver
