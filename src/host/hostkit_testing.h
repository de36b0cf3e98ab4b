// Test hooks into the one host of the process (implemented in hostkit.cpp,
// next to the functions of hostkit.h): tests look at its state, play the
// driver themselves and start a fresh host after a shutdown.
#pragma once

#include <cstdint>

#include "host/host_state.h"

namespace host {

struct Stream;

HostState& hostState();

// HostkitInit with a driver the caller opened and keeps owning, instead of one
// chosen from the catalogue: lets tests play the driver themselves.
bool initHostWithDriver(void* window, drivers::AsioDriver* driver);

// Forgets a shut-down host so that a test process can initialise another.
void resetHostForTesting();

// The stream of a port, or null.
Stream* streamOf(std::int32_t port);

}  // namespace host
