// Wave sounds through the media control stand-in: open the file as a device, play it with an end notice to
// the host's window, stop and close by device id.
#include "oxw.h"
#include "platform/mci.h"

using namespace ox::platform;

extern "C" {

OX_API uint32_t oxwPlayWaveMCI(OxwWindow window, const char *path) {
    uint32_t device = 0;
    if (mci_open_wave(path, &device) != 0) return 0;
    if (mci_play(device, window) != 0) {
        mci_close(device);
        return 0;
    }
    return device;
}

OX_API uint32_t oxwStopWaveMCI(uint32_t device) { return mci_stop(device); }

OX_API uint32_t oxwCloseMCIDevice(uint32_t device) { return mci_close(device); }

}  // extern "C"
