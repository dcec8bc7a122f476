#include "transport/lnkIrDADiscovery.h"

#include "platform/irda/IrDASocket.h"
#include "transport/lnkAPI.h"
#include "transport/lnkAddress.h"
#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"

#include <QDebug>
#include <cstring>
#include <system_error>

using namespace dabrix::transport;
namespace irda = dabrix::platform::irda;

std::unique_ptr<TlnkIrDADevices> dabrix::transport::IrDADevicesFromList(const uint8_t* Buffer, size_t Size)
{
    auto devices = std::make_unique<TlnkIrDADevices>();
    for (const irda::DeviceInfo& d : irda::ReadDeviceList(Buffer, Size)) {
        const QString name = QString::fromLatin1(d.Nickname.data(), static_cast<qsizetype>(d.Nickname.size()));
        devices->Add(new TlnkIrDADevice(IrDAAddressToString(d.Id), name));
    }
    return devices;
}

TlnkIrDADiscovery::TlnkIrDADiscovery(TComponent* Owner) : TlnkBaseComponent(Owner) {}

TlnkIrDADiscovery::~TlnkIrDADiscovery()
{
    Terminate();
}

int TlnkIrDADiscovery::Discover()
{
    if (Discovering())
        return code::DiscoveryActive;
    if (!IsTransportAvailable(trIrDA))
        return code::TransportNotAvailable;
    if (const int result = CreateNotificationWindow(); result != 0)
        return result;
    int error = 0;
    auto socket = irda::CreateIrDASocket(error);
    if (!socket) {
        qWarning().noquote() << "Dabrix: no infrared socket:" << std::strerror(error);
        DestroyNotificationWindow();
        return code::InternalDriverError;
    }
    auto search = std::make_shared<Search>();
    try {
        thread_ = std::thread(&TlnkIrDADiscovery::Run, NotificationWindow(), socket.get(), search);
    } catch (const std::system_error&) {
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    socket_ = std::move(socket);
    search_ = std::move(search);
    return code::Ok;
}

void TlnkIrDADiscovery::Run(WindowHandle Window, irda::IrDASocket* Socket, std::shared_ptr<Search> State)
{
    Window.Post(msg::SearchStarted);

    std::vector<uint8_t> buffer(irda::kDeviceListBufferSize, 0);
    size_t size = buffer.size();
    std::unique_ptr<TlnkIrDADevices> devices;
    if (const int err = Socket->EnumerateDevices(buffer.data(), size); err == 0)
        devices = IrDADevicesFromList(buffer.data(), size);
    else
        qWarning().noquote() << "Dabrix: infrared device enumeration failed:" << std::strerror(err);

    // Sent, so the list lives until the owner has handled it. Terminate destroys the
    // window first, and then the owner never sees it.
    if (Window.Valid())
        Window.Send(msg::SearchResult, reinterpret_cast<uintptr_t>(devices.get()));
    State->done = true;
}

int TlnkIrDADiscovery::Terminate()
{
    if (!Discovering())
        return code::DiscoveryNotStarted;
    const std::unique_ptr<irda::IrDASocket> socket = std::move(socket_);
    DestroyNotificationWindow();
    // The search may be waiting in its send to this thread, which now finds the window
    // gone once served.
    JoinServingSends(thread_, search_->done);
    search_.reset();
    return code::Ok;
}

void TlnkIrDADiscovery::HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    switch (Msg) {
    case msg::SearchStarted:
        if (OnStarted)
            OnStarted(this);
        break;
    case msg::SearchResult: {
        if (!Discovering())
            return;
        // The search is over once it has handed this over; its thread only returns now.
        socket_.reset();
        DestroyNotificationWindow();
        thread_.detach();
        search_.reset();
        if (OnComplete)
            OnComplete(this, reinterpret_cast<TlnkIrDADevices*>(WParam));
        break;
    }
    default:
        TlnkBaseComponent::HandleNotification(Msg, WParam, LParam);
        break;
    }
}

void TlnkIrDADiscovery::ApiChanged()
{
    if (!IsTransportAvailable(trIrDA))
        Terminate();
}

void TlnkIrDADiscovery::ApiUnloading()
{
    Terminate();
}
