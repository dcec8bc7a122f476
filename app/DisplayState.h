#pragma once
// The link as the main window presents it in its status bar.
#include <cstdint>

enum TDisplayState : uint8_t {
    dsPaused = 1,        // a modal dialog was opened while the link was connected
    dsDisconnected = 2,  // disconnected by the user, or not yet connected
    dsSearching = 3,     // connecting, waiting for data, or polling
    dsReceiving = 4,
};
