// The JACK driver's fixed names, sizes, defaults and messages in one place:
// the client and port names it shows on the server, its catalogue settings and
// the texts init failures leave for getErrorMessage.
#pragma once

#include <cstdint>

namespace jackdriver {

inline constexpr const char* CLIENT_NAME = "Cantora";
inline constexpr const char* DRIVER_NAME = "JACK Audio";
inline constexpr std::int32_t DRIVER_VERSION = 1;

inline constexpr int CHANNELS = 2;
inline constexpr const char* OUTPUT_PORT_NAMES[CHANNELS] = {"out_1", "out_2"};
inline constexpr const char* INPUT_PORT_NAMES[CHANNELS] = {"in_1", "in_2"};

// The rate Cantora's tracks are made at, which the driver presents unless told
// to present the server's own rate.
inline constexpr double TRACK_RATE = 44100.0;

// The largest server period the rate bridge is prepared for without allocating
// on the audio thread; a server running larger periods plays silence until the
// application is restarted.
inline constexpr int MAX_SERVER_FRAMES = 8192;

// How long stop waits for a process cycle that is still inside the host's
// buffer switch.
inline constexpr int STOP_WAIT_MILLISECONDS = 2000;

// Catalogue settings of the driver's section and their values.
inline constexpr const char* SETTING_SAMPLE_RATE = "samplerate";   // "44100" or "server"
inline constexpr const char* SETTING_SAMPLE_TYPE = "sampletype";   // 16, 17 or 18
inline constexpr const char* SETTING_AUTOCONNECT = "autoconnect";  // yes or no
inline constexpr const char* SETTING_SERVER = "server";            // a server name
inline constexpr const char* RATE_SERVER = "server";

// The server used when neither the catalogue nor JACK_DEFAULT_SERVER names one.
inline constexpr const char* DEFAULT_SERVER_NAME = "default";
inline constexpr const char* SERVER_NAME_VARIABLE = "JACK_DEFAULT_SERVER";

}  // namespace jackdriver
