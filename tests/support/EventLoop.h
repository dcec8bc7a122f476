#pragma once
// Helpers for tests that wait on the Qt event loop instead of sleeping blindly.
#include <chrono>
#include <functional>

namespace dabrix::test {

// Runs the event loop until `done` returns true or `timeout` passes; returns done().
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Runs the event loop for the given time (for "nothing else arrives" checks).
void RunEventsFor(std::chrono::milliseconds duration);

} // namespace dabrix::test
