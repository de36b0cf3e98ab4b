// The host's fixed numbers in one place: device ids, ring sizes, header flags,
// the multimedia result codes of the device layer, the driver list's error
// codes and the messages the delivery thread hands to the handlers.
#pragma once

#include <cstdint>

namespace host {

// A port's device id is its index plus this.
inline constexpr std::int32_t DEVICE_ID_BASE = 100;
inline constexpr int MAX_PORTS = 2;
inline constexpr int HOST_HEADERS_PER_DIRECTION = 16;

// Results of the device layer and the port's ring operations.
inline constexpr std::uint32_t MMSYSERR_NOERROR = 0;
inline constexpr std::uint32_t MMSYSERR_BADDEVICEID = 2;
inline constexpr std::uint32_t MMSYSERR_NODRIVER = 6;
inline constexpr std::uint32_t MMSYSERR_NOMEM = 7;
inline constexpr std::uint32_t WAVERR_STILLPLAYING = 33;
inline constexpr std::uint32_t WAVERR_UNPREPARED = 34;

// BufferHeader flag bits and the values a header goes through.
inline constexpr std::uint32_t HEADER_DONE = 1;
inline constexpr std::uint32_t HEADER_PREPARED = 2;
inline constexpr std::uint32_t HEADER_QUEUED = 16;
inline constexpr std::uint32_t HEADER_LINKED = HEADER_PREPARED;                     // 2
inline constexpr std::uint32_t HEADER_SUBMITTED = HEADER_PREPARED | HEADER_QUEUED;  // 18
inline constexpr std::uint32_t HEADER_USED_UP = HEADER_PREPARED | HEADER_DONE;      // 3
inline constexpr std::uint32_t HEADER_UNLINKED = HEADER_DONE;                       // 1

// Messages handed to the stream's handlers.
inline constexpr std::uint32_t OUTPUT_DONE = 957;
inline constexpr std::uint32_t INPUT_DATA = 960;

// Driver list results.
inline constexpr std::int32_t DRIVER_LIST_OK = 0;
inline constexpr std::int32_t DRIVER_LIST_MISSING_PARAMETER = -5001;
inline constexpr std::int32_t DRIVER_LIST_ALREADY_OPEN = -5002;
inline constexpr std::int32_t DRIVER_LIST_NO_SUCH_DRIVER = -5003;
// Opening a driver whose library cannot be loaded or has no factory (the
// "class not registered" answer of a component system).
inline constexpr std::int32_t DRIVER_CLASS_NOT_AVAILABLE = static_cast<std::int32_t>(0x80040154u);

// Text sizes of the driver list and the driver context.
inline constexpr int DRIVER_LIBRARY_PATH_BYTES = 512;
inline constexpr int DRIVER_DISPLAY_NAME_BYTES = 128;
inline constexpr int DRIVER_CONTEXT_TEXT_BYTES = 128;
// The name limit HostkitListDevices reads each name with.
inline constexpr int LIST_DEVICES_NAME_BYTES = 255;

// The message a driver's reset request stands for (posted to the window).
inline constexpr std::uint32_t WM_APP_DRIVER_RESET = 0x800A;

// Driver sample formats of the host: 16-, 24- and 32-bit little-endian integers.
inline constexpr std::int32_t FORMAT_INT16 = 1;
inline constexpr std::int32_t FORMAT_INT24 = 2;
inline constexpr std::int32_t FORMAT_INT32 = 3;

// Stopped ports have their outputs zeroed on this many switches at most.
inline constexpr std::uint32_t IDLE_ZERO_SWITCHES = 3;

}  // namespace host
