#pragma once
// The library's result codes (0 = success) and their texts.
#include <QString>

namespace dabrix::transport::code {
inline constexpr int Ok = 0;
inline constexpr int OutOfResources = 1;
inline constexpr int InternalDriverError = 2;
inline constexpr int NotImplemented = 3;
inline constexpr int NotSupported = 4;
inline constexpr int InvalidArgument = 5;
inline constexpr int OutOfMemory = 6;
inline constexpr int ApiAlreadyLoaded = 10;
inline constexpr int OtherInstanceLoaded = 11;
inline constexpr int ApiNotLoaded = 12;
inline constexpr int TransportNotAvailable = 13;
inline constexpr int BluetoothApiNotAvailable = 14;
inline constexpr int UnknownBluetoothApi = 15;
inline constexpr int TransportNotSupported = 16;
inline constexpr int DiscoveryNotStarted = 20;
inline constexpr int DiscoveryActive = 21;
inline constexpr int AlreadyPaired = 30;
inline constexpr int AuthenticationFailed = 31;
inline constexpr int CancelledByUser = 32;
inline constexpr int AccessDenied = 33;
inline constexpr int NotConnected = 40;
inline constexpr int ConnectionActive = 41;
inline constexpr int ConnectionExists = 42;
inline constexpr int Timeout = 43;
inline constexpr int ServiceNotFound = 44;
inline constexpr int UnableConnect = 45;
inline constexpr int ConnectionRejected = 46;
inline constexpr int TerminatedByUser = 47;
inline constexpr int MonitoringActive = 700;
inline constexpr int MonitoringNotActive = 701;
} // namespace dabrix::transport::code

// The text of a result code: empty for 0, "Unknown error" for a code not in the table.
QString lnkGetErrorText(int Error);

// For a non-zero code shows a modal error box with the code's text and returns true;
// for 0 shows nothing and returns false. Any thread (the box goes through the
// application's message hook).
bool lnkShowError(int Error);

namespace dabrix::transport {

// The one place where an operating-system error number becomes a result code:
// missing permission is "Access denied.", anything else "Internal driver error.".
int CodeFromErrno(int err);

} // namespace dabrix::transport
