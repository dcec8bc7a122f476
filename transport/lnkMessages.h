#pragma once
// Notification codes carried to the library's notification windows. They keep the
// window-message numbers the library has always used (WM_USER = 1024), so traces and
// the vendor bridges speak the same numbers.
#include <cstdint>

namespace dabrix::transport::msg {

inline constexpr uint32_t WM_USER = 1024;

// To the root's own window, from the stack bindings.
inline constexpr uint32_t TransportChanged = WM_USER + 1;   // wParam transport, lParam 1 = available
inline constexpr uint32_t StackChanged = WM_USER + 2;       // wParam stack, lParam 1 = available
inline constexpr uint32_t WidCommRecheck = WM_USER + 30;    // re-check the WidComm binding

// From the root to every component window.
inline constexpr uint32_t ApiUnloading = WM_USER + 4;       // sent
inline constexpr uint32_t ApiChanged = WM_USER + 5;         // posted

// Connection workers to their connection.
inline constexpr uint32_t LinkLost = WM_USER + 3;
inline constexpr uint32_t ConnectResult = WM_USER + 12;     // wParam error code
inline constexpr uint32_t DataWaiting = WM_USER + 13;

// Discovery windows.
inline constexpr uint32_t SearchStarted = WM_USER + 6;
inline constexpr uint32_t SearchResult = WM_USER + 7;       // wParam a device list or none, sent
inline constexpr uint32_t WidCommInquiryResult = WM_USER + 11;
inline constexpr uint32_t DeviceFound = WM_USER + 26;
inline constexpr uint32_t DeviceLost = WM_USER + 27;
inline constexpr uint32_t SearchComplete = WM_USER + 29;

// Vendor-stack client paths.
inline constexpr uint32_t WidCommData = WM_USER + 15;       // wParam pointer, lParam count
inline constexpr uint32_t WidCommClosed = WM_USER + 16;
inline constexpr uint32_t ToshibaPortReady = WM_USER + 17;
inline constexpr uint32_t ToshibaConnectStatus = WM_USER + 18;
inline constexpr uint32_t ToshibaLinkStatus = WM_USER + 19;
inline constexpr uint32_t ToshibaChannelFound = WM_USER + 20;

} // namespace dabrix::transport::msg
