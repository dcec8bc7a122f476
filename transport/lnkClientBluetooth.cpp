// The client connection's Bluetooth path through the platform's stack: an RFCOMM client
// socket, on the channel that the service search finds when none is given.
#include "platform/bluetooth/BluetoothStack.h"
#include "transport/lnkAddress.h"
#include "transport/lnkBluetoothDevice.h"
#include "transport/lnkClient.h"
#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"
#include "transport/lnkMicrosoftLoader.h"
#include "transport/lnkWait.h"

#include <QDebug>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <poll.h>
#include <vector>

using namespace dabrix::transport;
namespace platform = dabrix::platform;
using platform::BluetoothResult;

namespace {

// The one place where a failed RFCOMM connect becomes a result code.
int RfcommConnectCode(BluetoothResult result)
{
    switch (result) {
    case BluetoothResult::Ok: return code::Ok;
    case BluetoothResult::AccessDenied: return code::AccessDenied;
    case BluetoothResult::AlreadyConnected: return code::ConnectionExists;
    case BluetoothResult::Aborted: return code::CancelledByUser;
    case BluetoothResult::TimedOut: return code::Timeout;
    case BluetoothResult::Refused: return code::ConnectionRejected;
    case BluetoothResult::NoService: return code::ServiceNotFound;
    case BluetoothResult::NoResources: return code::OutOfResources;
    case BluetoothResult::Unavailable: return code::BluetoothApiNotAvailable;
    case BluetoothResult::Failed: return code::InternalDriverError;
    default: return code::UnableConnect;
    }
}

} // namespace

// What the Bluetooth worker needs, read on the owner thread before it starts.
struct TlnkCustomClientConnection::BluetoothLinkSettings {
    QString address;
    uint8_t channel;
    QUuid serviceUuid;
    platform::RfcommOptions options;
    int connectTimeoutMs;
};

int TlnkCustomClientConnection::ConnectBluetooth()
{
    const TlnkBluetoothRadio* radio = BluetoothParams()->Radio();
    if (!radio || !IsBluetoothApiAvailable(radio->Api()))
        return code::BluetoothApiNotAvailable;
    linkApi_ = radio->Api();
    switch (radio->Api()) {
    case baMicrosoft: break;
    case baBlueSoleil: return ConnectBlueSoleil();
    case baToshiba: return ConnectToshiba();
    case baWidComm: return ConnectWidComm();
    default: return code::UnknownBluetoothApi;
    }

    const TlnkClientBluetoothParams& params = *BluetoothParams();
    BluetoothLinkSettings settings;
    settings.address = params.Address();
    settings.channel = params.Channel();
    settings.serviceUuid = params.ServiceUuid();
    settings.options.ReadBuffer = Buffers()->ReadBuffer();
    settings.options.WriteBuffer = Buffers()->WriteBuffer();
    settings.options.Authentication = params.Authentication();
    settings.options.Encryption = params.Encryption();
    settings.connectTimeoutMs = static_cast<int>(std::min<uint32_t>(ConnectTimeout(), INT_MAX));
    if (StartWorker([this, settings](int terminateFd) { BluetoothLink(terminateFd, settings); }) != 0)
        return code::OutOfResources;
    return code::Ok;
}

void TlnkCustomClientConnection::BluetoothLink(int terminateFd, const BluetoothLinkSettings& settings)
{
    const WindowHandle window = NotificationWindow();
    auto fail = [&](int result, const char* what) {
        qWarning().noquote() << "Dabrix: Bluetooth" << what << "at" << settings.address << "failed with" << result;
        window.Post(msg::ConnectResult, static_cast<uintptr_t>(result));
    };

    std::shared_ptr<platform::BluetoothStack> stack = PlatformBluetoothStack();
    if (!stack)
        return fail(code::BluetoothApiNotAvailable, "connect");

    uint8_t channel = settings.channel;
    if (channel == 0) {
        // The channel of the first service that the search finds for the service class.
        TlnkBluetoothServices services;
        const int result = EnumPlatformServices(settings.address, services, settings.serviceUuid, terminateFd);
        if (Signalled(terminateFd))
            return;  // Disconnect came first: no result
        if (result != code::Ok)
            return fail(result, "service search");
        channel = services.Items(0)->Channel;
        if (channel == 0)
            return fail(code::ServiceNotFound, "service search");
    }

    const uint64_t address = BluetoothAddressFromString(settings.address).value_or(0);
    std::unique_ptr<platform::RfcommSocket> socket;
    if (const BluetoothResult r = stack->ConnectRfcomm(address, channel, settings.options, socket);
        r != BluetoothResult::Ok)
        return fail(RfcommConnectCode(r), "connect");
    stack.reset();
    if (socket->Connecting()) {
        switch (WaitOn(socket->Fd(), POLLOUT, terminateFd, settings.connectTimeoutMs)) {
        case Wait::Terminated: return;
        case Wait::TimedOut: return fail(code::Timeout, "connect");
        case Wait::Failed: return fail(code::InternalDriverError, "connect");
        case Wait::Ready: break;
        }
        if (const BluetoothResult r = socket->FinishConnect(); r != BluetoothResult::Ok)
            return fail(RfcommConnectCode(r), "connect");
    }
    // The socket stays with the connection: the owner writes to it once connected and
    // closes it after this worker has left.
    rfcomm_ = std::move(socket);
    window.Post(msg::ConnectResult, code::Ok);

    std::vector<uint8_t> block(settings.options.ReadBuffer);
    for (;;) {
        switch (WaitOn(rfcomm_->Fd(), POLLIN, terminateFd, -1)) {
        case Wait::Terminated: return;
        case Wait::Failed:
        case Wait::TimedOut: window.Post(msg::LinkLost); return;
        case Wait::Ready: break;
        }
        const ssize_t n = rfcomm_->Receive(block.data(), block.size());
        if (n > 0) {
            AppendReceived(block.data(), static_cast<uint32_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n < 0)
            qWarning().noquote() << "Dabrix: Bluetooth receive failed:" << std::strerror(errno);
        window.Post(msg::LinkLost);
        return;
    }
}

int TlnkCustomClientConnection::WriteBluetooth(const void* Buffer, uint32_t Size)
{
    if (linkApi_ != baMicrosoft)
        return WriteVendor(Buffer, Size);
    if (!rfcomm_)
        return code::NotConnected;
    const BluetoothResult r = rfcomm_->Send(Buffer, Size);
    if (r != BluetoothResult::Ok)
        qWarning().noquote() << "Dabrix: Bluetooth send failed:" << platform::BluetoothResultText(r);
    return r == BluetoothResult::Ok ? code::Ok : code::InternalDriverError;
}
