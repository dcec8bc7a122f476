#pragma once
// Socket helpers shared by the stacks (not for use above the platform layer).
#include "platform/bluetooth/BluetoothStack.h"

#include <chrono>

namespace dabrix::platform::bt {

using Deadline = std::chrono::steady_clock::time_point;

// Waits until `fd` shows one of `events`, `cancelFd` (if not -1) becomes readable or the
// deadline passes: Ok, Cancelled, TimedOut, or Failed when poll itself fails.
BluetoothResult WaitFor(int fd, short events, Deadline deadline, int cancelFd);

// SO_RCVBUF and SO_SNDBUF; false with errno when the socket refuses them.
bool SetBufferSizes(int fd, const RfcommOptions& options);

// Whether the kernel offers the Bluetooth socket family at all.
bool KernelHasBluetooth();

// RFCOMM and the SDP search over the kernel's Bluetooth sockets (BlueZ's side).
BluetoothResult ConnectKernelRfcomm(BluetoothAddress address, uint8_t channel, const RfcommOptions& options,
                                    std::unique_ptr<RfcommSocket>& socket);
BluetoothResult KernelServiceSearch(BluetoothAddress address, const QUuid& uuid, std::vector<uint8_t>& attributeLists,
                                    int timeoutMs, int cancelFd);

} // namespace dabrix::platform::bt
