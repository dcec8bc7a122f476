#include "transport/lnkErrors.h"

#include "platform/UserMessage.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <iterator>

namespace {

struct ErrorText {
    int code;
    const char* text;
};

// Sorted by code; looked up by binary search. The texts are kept exactly as users of
// the library have always seen them, spelling included.
constexpr ErrorText kErrorTexts[] = {
    {1, QT_TRANSLATE_NOOP("lnkErrors", "Out of system resources.")},
    {2, QT_TRANSLATE_NOOP("lnkErrors", "Internal driver error.")},
    {3, QT_TRANSLATE_NOOP("lnkErrors", "Function is not implemented.")},
    {4, QT_TRANSLATE_NOOP("lnkErrors", "Feature is not supported.")},
    {5, QT_TRANSLATE_NOOP("lnkErrors", "Invalid argument.")},
    {6, QT_TRANSLATE_NOOP("lnkErrors", "Out of memory.")},
    {10, QT_TRANSLATE_NOOP("lnkErrors", "API is already loaded.")},
    {11, QT_TRANSLATE_NOOP("lnkErrors", "The other instance of the TlnkAPI exists end loaded.")},
    {12, QT_TRANSLATE_NOOP("lnkErrors", "API is not loaded.")},
    {13, QT_TRANSLATE_NOOP("lnkErrors", "Specified transport is not available.")},
    {14, QT_TRANSLATE_NOOP("lnkErrors", "Specified bluetooth API is not available.")},
    {15, QT_TRANSLATE_NOOP("lnkErrors", "Unknown or unsupported Bluetooth API.")},
    {16, QT_TRANSLATE_NOOP("lnkErrors", "Specified transport not supported.")},
    {20, QT_TRANSLATE_NOOP("lnkErrors", "Discovering operation is not started.")},
    {21, QT_TRANSLATE_NOOP("lnkErrors", "Discovering operation is active.")},
    {30, QT_TRANSLATE_NOOP("lnkErrors", "Device is already paired.")},
    {31, QT_TRANSLATE_NOOP("lnkErrors", "Authentication failed.")},
    {32, QT_TRANSLATE_NOOP("lnkErrors", "Operation was cancelled by user.")},
    {33, QT_TRANSLATE_NOOP("lnkErrors", "Access denied.")},
    {40, QT_TRANSLATE_NOOP("lnkErrors", "Device is not connected.")},
    {41, QT_TRANSLATE_NOOP("lnkErrors", "Connection is active.")},
    {42, QT_TRANSLATE_NOOP("lnkErrors", "Connection exists.")},
    {43, QT_TRANSLATE_NOOP("lnkErrors", "Timeout.")},
    {44, QT_TRANSLATE_NOOP("lnkErrors", "Specified service was not found.")},
    {45, QT_TRANSLATE_NOOP("lnkErrors", "Unable connect.")},
    {46, QT_TRANSLATE_NOOP("lnkErrors", "Connection was rejected by device.")},
    {47, QT_TRANSLATE_NOOP("lnkErrors", "Connection was terminated by user.")},
    {48, QT_TRANSLATE_NOOP("lnkErrors", "Unable to assign PSM value.")},
    {49, QT_TRANSLATE_NOOP("lnkErrors", "Unable to register PSM value.")},
    {50, QT_TRANSLATE_NOOP("lnkErrors", "Remote device does not support this feature.")},
    {100, QT_TRANSLATE_NOOP("lnkErrors", "OBEX session is already active.")},
    {101, QT_TRANSLATE_NOOP("lnkErrors", "OBEX operation is in progress.")},
    {102, QT_TRANSLATE_NOOP("lnkErrors", "OBEX session is not active.")},
    {103, QT_TRANSLATE_NOOP("lnkErrors", "No content.")},
    {104, QT_TRANSLATE_NOOP("lnkErrors", "OBEX operation is not active.")},
    {105, QT_TRANSLATE_NOOP("lnkErrors", "Reset content.")},
    {106, QT_TRANSLATE_NOOP("lnkErrors", "Non authoritative.")},
    {107, QT_TRANSLATE_NOOP("lnkErrors", "Partial content.")},
    {108, QT_TRANSLATE_NOOP("lnkErrors", "Multiple choises.")},
    {109, QT_TRANSLATE_NOOP("lnkErrors", "Moved permanently.")},
    {110, QT_TRANSLATE_NOOP("lnkErrors", "Moved temporary.")},
    {111, QT_TRANSLATE_NOOP("lnkErrors", "See other.")},
    {112, QT_TRANSLATE_NOOP("lnkErrors", "Not modified.")},
    {113, QT_TRANSLATE_NOOP("lnkErrors", "Use proxy.")},
    {114, QT_TRANSLATE_NOOP("lnkErrors", "Bad request.")},
    {115, QT_TRANSLATE_NOOP("lnkErrors", "Unauthorized.")},
    {116, QT_TRANSLATE_NOOP("lnkErrors", "Payment required.")},
    {117, QT_TRANSLATE_NOOP("lnkErrors", "Forbidden.")},
    {118, QT_TRANSLATE_NOOP("lnkErrors", "Not found.")},
    {119, QT_TRANSLATE_NOOP("lnkErrors", "Method not allowed.")},
    {120, QT_TRANSLATE_NOOP("lnkErrors", "Not acceptable.")},
    {121, QT_TRANSLATE_NOOP("lnkErrors", "Proxy authentication required.")},
    {122, QT_TRANSLATE_NOOP("lnkErrors", "Request timeout.")},
    {123, QT_TRANSLATE_NOOP("lnkErrors", "Conflict.")},
    {124, QT_TRANSLATE_NOOP("lnkErrors", "Gone.")},
    {125, QT_TRANSLATE_NOOP("lnkErrors", "Length required.")},
    {126, QT_TRANSLATE_NOOP("lnkErrors", "Precondition failed.")},
    {127, QT_TRANSLATE_NOOP("lnkErrors", "Requiested entity too large.")},
    {128, QT_TRANSLATE_NOOP("lnkErrors", "Requested URL too large.")},
    {129, QT_TRANSLATE_NOOP("lnkErrors", "Unsupported media type.")},
    {130, QT_TRANSLATE_NOOP("lnkErrors", "Internal server error.")},
    {131, QT_TRANSLATE_NOOP("lnkErrors", "Not implemented.")},
    {132, QT_TRANSLATE_NOOP("lnkErrors", "Bad gateway.")},
    {133, QT_TRANSLATE_NOOP("lnkErrors", "Services unavailable.")},
    {134, QT_TRANSLATE_NOOP("lnkErrors", "Gateway time out.")},
    {135, QT_TRANSLATE_NOOP("lnkErrors", "HTTP version not supported.")},
    {136, QT_TRANSLATE_NOOP("lnkErrors", "Database full.")},
    {137, QT_TRANSLATE_NOOP("lnkErrors", "Database locked.")},
    {199, QT_TRANSLATE_NOOP("lnkErrors", "Unknown")},
    {200, QT_TRANSLATE_NOOP("lnkErrors", "Authenticator is already active.")},
    {201, QT_TRANSLATE_NOOP("lnkErrors", "Authenticator is unable to register call back function.")},
    {202, QT_TRANSLATE_NOOP("lnkErrors", "Authenticator is not active.")},
    {300, QT_TRANSLATE_NOOP("lnkErrors", "USB monitor is already active.")},
    {400, QT_TRANSLATE_NOOP("lnkErrors", "ProximitySender is already started.")},
    {401, QT_TRANSLATE_NOOP("lnkErrors", "ProximitySender is running.")},
    {402, QT_TRANSLATE_NOOP("lnkErrors", "Send Radio was not specified.")},
    {403, QT_TRANSLATE_NOOP("lnkErrors", "Discovery Radio was not specified.")},
    {404, QT_TRANSLATE_NOOP("lnkErrors", "File name is not valid or file is not available.")},
    {500, QT_TRANSLATE_NOOP("lnkErrors", "Error execute AT command.")},
    {501, QT_TRANSLATE_NOOP("lnkErrors", "Modem is already initialized.")},
    {502, QT_TRANSLATE_NOOP("lnkErrors", "Operation is in progress.")},
    {503, QT_TRANSLATE_NOOP("lnkErrors", "Modem is not initialized.")},
    {600, QT_TRANSLATE_NOOP("lnkErrors", "WiFi Manager is active.")},
    {601, QT_TRANSLATE_NOOP("lnkErrors", "WiFi Manager is not active.")},
    {602, QT_TRANSLATE_NOOP("lnkErrors", "Another instance of the lnkWiFiManager already exists and active.")},
    {603, QT_TRANSLATE_NOOP("lnkErrors", "No one active WiFi Manager was found.")},
    {604, QT_TRANSLATE_NOOP("lnkErrors", "No data.")},
    {605, QT_TRANSLATE_NOOP("lnkErrors", "Unable set callback function for WiFi notifications.")},
    {700, QT_TRANSLATE_NOOP("lnkErrors", "Monitoring is active.")},
    {701, QT_TRANSLATE_NOOP("lnkErrors", "Monitoring is not active.")},
    {800, QT_TRANSLATE_NOOP("lnkErrors", "Wiimote device was not found or invalid Device Path.")},
    {801, QT_TRANSLATE_NOOP("lnkErrors", "Wiimote device is already installed.")},
    {900, QT_TRANSLATE_NOOP("lnkErrors", "Kinect subsystem is not initialized.")},
    {901, QT_TRANSLATE_NOOP("lnkErrors", "Kinect subsystem is already initialized.")},
    {902, QT_TRANSLATE_NOOP("lnkErrors", "Kinect is not connected.")},
    {903, QT_TRANSLATE_NOOP("lnkErrors", "Kinect device is not ready.")},
    {904, QT_TRANSLATE_NOOP("lnkErrors", "No more Kinect sensors found.")},
    {905, QT_TRANSLATE_NOOP("lnkErrors", "Kinect initialization is in progress.")},
    {906, QT_TRANSLATE_NOOP("lnkErrors", "Kinet has no more frames.")},
    {907, QT_TRANSLATE_NOOP("lnkErrors", "Kinect stream was not enebaled.")},
    {908, QT_TRANSLATE_NOOP("lnkErrors", "Kinect image stream is in use.")},
    {909, QT_TRANSLATE_NOOP("lnkErrors", "Kinect frames limit is exceeded.")},
    {910, QT_TRANSLATE_NOOP("lnkErrors", "Kinect feature was not initialized.")},
    {911, QT_TRANSLATE_NOOP("lnkErrors", "Kinect device is not genuine.")},
    {912, QT_TRANSLATE_NOOP("lnkErrors", "Kinect communication insufficient bandwidth.")},
    {913, QT_TRANSLATE_NOOP("lnkErrors", "Kinect feature is not supported.")},
    {914, QT_TRANSLATE_NOOP("lnkErrors", "Kinect device is in use.")},
    {915, QT_TRANSLATE_NOOP("lnkErrors", "Kinect database was not found.")},
    {916, QT_TRANSLATE_NOOP("lnkErrors", "Kinect database has an invalid version.")},
    {917, QT_TRANSLATE_NOOP("lnkErrors", "Kinect feature is unavailable.")},
    {919, QT_TRANSLATE_NOOP("lnkErrors", "Kinect is not ready.")},
    {920, QT_TRANSLATE_NOOP("lnkErrors", "Kinect skeletal engine is busy.")},
    {921, QT_TRANSLATE_NOOP("lnkErrors", "Kinect is not powered.")},
    {922, QT_TRANSLATE_NOOP("lnkErrors", "Kinect bad index.")},
    {923, QT_TRANSLATE_NOOP("lnkErrors", "Kinect received too many commands.")},
    {924, QT_TRANSLATE_NOOP("lnkErrors", "Kinect can not execute command. Retry once again.")},
    {1000, QT_TRANSLATE_NOOP("lnkErrors", "A BLE device has already been subscribed for value changes notifications.")},
    {1001, QT_TRANSLATE_NOOP("lnkErrors", "A BLE device has not been subscribed for value changes notifications.")},
    {1002, QT_TRANSLATE_NOOP("lnkErrors", "A notification descriptor was not found.")},
};

static_assert(std::is_sorted(std::begin(kErrorTexts), std::end(kErrorTexts),
                             [](const ErrorText& a, const ErrorText& b) { return a.code < b.code; }),
              "the error table must stay sorted by code");

} // namespace

QString lnkGetErrorText(int Error)
{
    if (Error == 0)
        return {};
    const auto* it = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), Error,
                                      [](const ErrorText& e, int code) { return e.code < code; });
    if (it == std::end(kErrorTexts) || it->code != Error)
        return QCoreApplication::translate("lnkErrors", "Unknown error");
    return QCoreApplication::translate("lnkErrors", it->text);
}

bool lnkShowError(int Error)
{
    if (Error == 0)
        return false;
    dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error, lnkGetErrorText(Error));
    return true;
}

namespace dabrix::transport {

int CodeFromErrno(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return code::AccessDenied;
    default:
        return code::InternalDriverError;
    }
}

} // namespace dabrix::transport
