#pragma once
// How the library's workers wait: on one descriptor of their own and on their
// terminate descriptor at once, so that stopping them is prompt.
namespace dabrix::transport {

enum class Wait { Ready, Terminated, TimedOut, Failed };

// Waits for `events` on `fd` (-1: none) or for `terminateFd` to become readable, at most
// `timeoutMs` (-1: no time limit). The terminate descriptor wins when both are ready.
Wait WaitOn(int fd, short events, int terminateFd, int timeoutMs);

// Whether `fd` is readable now (a signalled eventfd).
inline bool Signalled(int fd)
{
    return WaitOn(-1, 0, fd, 0) == Wait::Terminated;
}

// Makes an eventfd readable.
void SignalEvent(int fd);

} // namespace dabrix::transport
