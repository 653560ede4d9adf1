// The media control stand-in for wave audio: a device per opened wave file, named by a small number, which
// plays once, asynchronously, on a thread of its own, and tells a window how its play ended.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// Result codes beside the ones oxw.h documents (0 and OXW_MCIERR_INVALID_DEVICE_ID).
inline constexpr uint32_t kMciErrHardware = 262;            // no output takes the sound
inline constexpr uint32_t kMciErrOutOfMemory = 264;
inline constexpr uint32_t kMciErrUnsupportedFunction = 274;  // a second play of one device
inline constexpr uint32_t kMciErrFileNotFound = 275;
inline constexpr uint32_t kMciErrInvalidFile = 296;

// Opens the wave file at `path` (see open_wave_file) as a new device; 0 and its code when it does not open.
uint32_t mci_open_wave(const char *path, uint32_t *device);

// Starts playing the device's file from the start to the end and returns at once. When the play ends,
// `notify` (0: nobody) receives OXW_MM_MCINOTIFY with the device id and OXW_MCI_NOTIFY_SUCCESSFUL at the
// end of the file, _ABORTED when a stop or close cut it short, _FAILURE when decoding or the output
// failed. 0, or 257 for an unknown device, 274 for a device that played before, 262 when no output takes
// the sound, 264 without memory or a thread.
uint32_t mci_play(uint32_t device, OxwWindow notify);

// Stops a play (its thread is gone when this returns) and keeps the device open; 0 also when it is not
// playing. 257 for an unknown device.
uint32_t mci_stop(uint32_t device);
// Stops a play and closes the device. 257 for an unknown device.
uint32_t mci_close(uint32_t device);

// Devices open now.
std::size_t mci_open_device_count();

}  // namespace ox::platform
