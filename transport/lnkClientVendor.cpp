// The client connection's Bluetooth paths through the vendor stacks.
//
// BlueSoleil and Toshiba make the link a virtual COM port: the connection opens an inner
// serial connection on it and forwards the inner's data, connect result and end. WidComm
// reports through the connection's window from the bridge's own threads.
//
// Threads:
//  - BlueSoleil: the worker runs the stack's blocking connect call on a second thread
//    and waits for it at most ConnectTimeout. A thread cannot be killed, so a call that
//    is given up on is cancelled and left to return on its own: it writes only to a
//    shared record that it co-owns, never to the connection, and disconnects a link it
//    made after nobody waited any longer. The inner connection belongs to the worker
//    (its window is the worker's), which serves it until told to stop and frees it. The
//    owner uses the inner only to write, and the handle and the inner only after it has
//    heard the link connected, or after the worker has left.
//  - Toshiba: a short worker finds the channel; everything else runs on the owner thread
//    through the stack's notifications. The worker's only output is the channel, read
//    after it has been joined.
//  - WidComm: the worker searches the services (one search at a time in the library),
//    opens the stack's client and waits to be stopped; the client handle is atomic
//    because the owner writes through it once the bridge has reported the link.
#include "platform/ComPortMap.h"
#include "transport/lnkAddress.h"
#include "transport/lnkBluetoothDevice.h"
#include "transport/lnkClient.h"
#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"
#include "transport/lnkSync.h"
#include "transport/lnkVendorLoaders.h"
#include "transport/lnkWait.h"

#include <QDebug>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

using namespace dabrix::transport;

namespace {

// The link-loss grace of the WidComm path: the bridge reports a closed link also for
// short drops it recovers from.
constexpr int kLinkLossGraceMs = 1000;
constexpr int kHighestComPort = 255;

// One run of BT_ConnectSPPExService, shared by the worker that waits for it and the
// thread that makes it, so that either may finish first.
struct BlueSoleilConnectCall {
    Cancellation cancel;
    std::mutex lock;
    bool done = false;       // guarded by lock
    bool abandoned = false;  // guarded by lock
    uint32_t status = 0;
    uint32_t connection = 0;
    BlueSoleilSppService service;
    int doneFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    ~BlueSoleilConnectCall()
    {
        if (doneFd >= 0)
            ::close(doneFd);
    }
};

void RunBlueSoleilConnect(std::shared_ptr<BlueSoleilConnectCall> call, std::shared_ptr<BlueSoleilStack> stack,
                          BlueSoleilDeviceRecord device, BlueSoleilSppService service)
{
    uint32_t connection = 0;
    uint32_t status = 0;
    {
        // One connect call at a time across the library; a waiter given up on while it
        // queued here need not call at all.
        std::lock_guard one(BlueSoleilConnectLock());
        if (!call->cancel.Cancelled())
            status = stack->BT_ConnectSPPExService(device, service, connection, call->cancel);
    }
    bool abandoned;
    {
        std::lock_guard guard(call->lock);
        call->done = true;
        call->status = status;
        call->connection = connection;
        call->service = service;
        abandoned = call->abandoned;
    }
    if (abandoned && status == bluesoleil::kSuccess)
        stack->BT_DisconnectSPPExService(connection);  // nobody will use or end it
    SignalEvent(call->doneFd);
}

} // namespace

// What the vendor paths' workers need, read on the owner thread before they start.
struct TlnkCustomClientConnection::VendorLinkSettings {
    QString address;
    VendorAddress bytes;
    uint8_t channel;
    QUuid serviceUuid;
    bool authentication;
    bool encryption;
    int connectTimeoutMs;
};

TlnkCustomClientConnection::VendorLinkSettings TlnkCustomClientConnection::VendorSettings() const
{
    const TlnkClientBluetoothParams& params = *BluetoothParams();
    VendorLinkSettings s;
    s.address = params.Address();
    // The setter admits only valid addresses.
    s.bytes = VendorAddressOf(BluetoothAddressFromString(s.address).value_or(0));
    s.channel = params.Channel();
    s.serviceUuid = params.ServiceUuid();
    s.authentication = params.Authentication();
    s.encryption = params.Encryption();
    s.connectTimeoutMs = static_cast<int>(std::min<uint32_t>(ConnectTimeout(), INT_MAX));
    return s;
}

// --- the inner connection and the timers ---

int TlnkCustomClientConnection::OpenInnerConnection(uint32_t Port)
{
    if (Port == 0)
        return code::InternalDriverError;  // the stack named no port
    auto inner = std::make_unique<TlnkCustomClientConnection>(nullptr);
    inner->SetTransport(trSerial);
    inner->SerialParams()->SetPort(Port);
    inner->SetBuffers(Buffers());
    const WindowHandle outer = NotificationWindow();
    // Bytes count only once this connection is connected: AppendReceived drops the rest.
    inner->OnData = [this](TObject*, const uint8_t* buffer, uint32_t size) { AppendReceived(buffer, size); };
    inner->OnConnect = [outer](TObject*, int error) { outer.Post(msg::ConnectResult, static_cast<uintptr_t>(error)); };
    // The virtual port going away is the link going away.
    inner->OnDisconnect = [outer](TObject*) { outer.Post(msg::LinkLost); };
    inner_ = std::move(inner);
    return inner_->Connect();
}

void TlnkCustomClientConnection::FreeInnerConnection()
{
    if (!inner_)
        return;
    inner_->OnDisconnect = nullptr;
    inner_->Disconnect();
    inner_.reset();
}

void TlnkCustomClientConnection::StartConnectTimer()
{
    if (!connectTimer_) {
        connectTimer_ = std::make_unique<QTimer>();
        connectTimer_->setSingleShot(true);
        connectTimer_->setTimerType(Qt::PreciseTimer);  // a time-out never ends early
        QObject::connect(connectTimer_.get(), &QTimer::timeout, [this] {
            NotificationWindow().Post(msg::ConnectResult, code::Timeout);
        });
    }
    connectTimer_->start(static_cast<int>(std::min<uint32_t>(ConnectTimeout(), INT_MAX)));
}

void TlnkCustomClientConnection::StopConnectTimer()
{
    if (connectTimer_)
        connectTimer_->stop();
}

void TlnkCustomClientConnection::StartLinkLossTimer()
{
    if (!linkLossTimer_) {
        linkLossTimer_ = std::make_unique<QTimer>();
        linkLossTimer_->setSingleShot(true);
        linkLossTimer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(linkLossTimer_.get(), &QTimer::timeout, [this] {
            // A link that closes before it was reported connected is a failed connect:
            // the owner still hears the one result it waits for.
            if (State() == csConnecting)
                NotificationWindow().Post(msg::ConnectResult, code::UnableConnect);
            else
                NotificationWindow().Post(msg::LinkLost);
        });
    }
    if (!linkLossTimer_->isActive())
        linkLossTimer_->start(kLinkLossGraceMs);
}

void TlnkCustomClientConnection::StopLinkLossTimer()
{
    if (linkLossTimer_)
        linkLossTimer_->stop();
}

// --- BlueSoleil ---

int TlnkCustomClientConnection::ConnectBlueSoleil()
{
    const VendorLinkSettings settings = VendorSettings();
    if (StartWorker([this, settings](int terminateFd) { BlueSoleilLink(terminateFd, settings); }) != 0)
        return code::OutOfResources;
    return code::Ok;
}

void TlnkCustomClientConnection::BlueSoleilLink(int terminateFd, const VendorLinkSettings& settings)
{
    const WindowHandle window = NotificationWindow();
    const std::shared_ptr<BlueSoleilStack> stack = BoundBlueSoleilStack();
    if (!stack) {
        window.Post(msg::ConnectResult, code::BluetoothApiNotAvailable);
        return;
    }

    BlueSoleilDeviceRecord device;
    device.Address = settings.bytes;
    BlueSoleilSppService service;
    service.ServiceClass = settings.serviceUuid;
    service.Channel = settings.channel;

    auto call = std::make_shared<BlueSoleilConnectCall>();
    if (call->doneFd < 0) {
        window.Post(msg::ConnectResult, code::OutOfResources);
        return;
    }
    try {
        std::thread(RunBlueSoleilConnect, call, stack, device, service).detach();
    } catch (const std::system_error&) {
        window.Post(msg::ConnectResult, code::OutOfResources);
        return;
    }

    const Wait waited = WaitOn(call->doneFd, POLLIN, terminateFd, settings.connectTimeoutMs);
    uint32_t status = 0;
    {
        std::lock_guard guard(call->lock);
        if (!call->done) {
            // Given up on: from here on the call's results are its own.
            call->abandoned = true;
            call->cancel.Cancel();
        } else {
            status = call->status;
            blueSoleilConnection_ = call->connection;
            service = call->service;
        }
    }
    if (waited == Wait::Terminated)
        return;  // Disconnect came first: no result (a link made meanwhile is ended below)
    if (waited != Wait::Ready) {
        qWarning().noquote() << "Dabrix: BlueSoleil connect to" << settings.address << "did not return in time";
        window.Post(msg::ConnectResult, code::Timeout);
        return;
    }
    if (status != bluesoleil::kSuccess) {
        qWarning().noquote() << "Dabrix: BlueSoleil connect to" << settings.address << "failed with status" << status;
        window.Post(msg::ConnectResult, static_cast<uintptr_t>(BlueSoleilStatusCode(status)));
        return;
    }

    const uint32_t connection = blueSoleilConnection_;
    RegisterBlueSoleilConnection(connection, window);
    BlueSoleilConnectInfo info;
    stack->BT_GetConnectInfo(connection, info);
    const uint32_t port = service.ComPort != 0 ? service.ComPort : info.ComPort;
    if (const int err = OpenInnerConnection(port); err != code::Ok)
        window.Post(msg::ConnectResult, static_cast<uintptr_t>(err));

    // The inner connection's window is this thread's: serve it until told to stop.
    if (!Signalled(terminateFd)) {
        QEventLoop loop;
        QSocketNotifier stop(terminateFd, QSocketNotifier::Read);
        QObject::connect(&stop, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        loop.exec();
    }
    AcknowledgeStop();
    UnregisterBlueSoleilConnection(connection);
    FreeInnerConnection();
}

// --- Toshiba ---

int TlnkCustomClientConnection::ConnectToshiba()
{
    // The link data are clear: they start so and every teardown clears them.
    // The whole sequence is bounded by the connect timer, not only the stack's
    // connecting phase: a stack that never answers a step must not leave the connection
    // connecting for ever.
    StartConnectTimer();
    const VendorLinkSettings settings = VendorSettings();
    if (StartWorker([this, settings](int) { ToshibaChannelLookup(settings); }) != 0) {
        StopConnectTimer();
        return code::OutOfResources;
    }
    return code::Ok;
}

void TlnkCustomClientConnection::ToshibaChannelLookup(const VendorLinkSettings& settings)
{
    const WindowHandle window = NotificationWindow();
    auto found = [&](int error) { window.Post(msg::ToshibaChannelFound, static_cast<uintptr_t>(error)); };
    if (settings.channel != 0) {
        vendorChannel_ = settings.channel;
        return found(code::Ok);
    }

    const TlnkBluetoothRadio radio(baToshiba);
    const TlnkBluetoothDevice device(settings.address);
    const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack();
    if (!stack)
        return found(code::BluetoothApiNotAvailable);
    bool paired = false;
    if (settings.authentication && stack->PairingWindowPresent() && device.GetPaired(&radio, paired) == code::Ok &&
        !paired && stack->RequestPairing(settings.bytes).isEmpty())
        return found(code::AuthenticationFailed);

    TlnkBluetoothServices services;
    if (const int err = device.EnumServices(&radio, &services, &settings.serviceUuid); err != code::Ok)
        return found(err);
    vendorChannel_ = services.Items(0)->Channel;
    found(vendorChannel_ != 0 ? code::Ok : code::ServiceNotFound);
}

void TlnkCustomClientConnection::ToshibaChannelFound(int Error)
{
    StopWorker();
    const WindowHandle& window = NotificationWindow();
    if (Error != code::Ok) {
        window.Post(msg::ConnectResult, static_cast<uintptr_t>(Error));
        return;
    }
    const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack();
    if (!stack || !stack->BtNotifyEvent(toshiba::kPortReadyEventMask, window, msg::ToshibaPortReady)) {
        window.Post(msg::ConnectResult, code::InternalDriverError);
        return;
    }
    for (int n = 1; n <= kHighestComPort && vendorPortName_.isEmpty(); ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        if (stack->BtCreateCOMM(name)) {
            vendorPortName_ = name;
            vendorPort_ = static_cast<uint32_t>(n);
        }
    }
    if (vendorPortName_.isEmpty()) {
        stack->BtCancelNotifyEvent(window);
        window.Post(msg::ConnectResult, code::OutOfResources);
        return;
    }
    toshibaState_ = 1;
    if (ToshibaPortReadyWithoutEvent())
        window.Post(msg::ToshibaPortReady);
}

void TlnkCustomClientConnection::ToshibaPortReady()
{
    if (toshibaState_ != 1)
        return;
    const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack();
    if (!stack)
        return;
    const WindowHandle& window = NotificationWindow();
    stack->BtCancelNotifyEvent(window);
    const uint32_t security = (BluetoothParams()->Authentication() ? toshiba::kAuthenticate : 0) |
                              (BluetoothParams()->Encryption() ? toshiba::kEncrypt : 0);
    const VendorLinkSettings settings = VendorSettings();
    if (!stack->BtConnectCOMM2(vendorPortName_, settings.bytes, vendorChannel_, window, msg::ToshibaConnectStatus,
                               security)) {
        window.Post(msg::ConnectResult, code::InternalDriverError);
        return;
    }
    toshibaState_ = 2;
}

void TlnkCustomClientConnection::ToshibaConnectStatus(uint32_t Status)
{
    if (toshibaState_ != 2)
        return;
    vendorStatus_ = Status;
    const WindowHandle& window = NotificationWindow();
    switch (Status) {
    case toshiba::kConnectFailed:
        vendorFailed_ = true;
        break;
    case toshiba::kConnecting:
        StartConnectTimer();
        break;
    case toshiba::kConnectDone: {
        StopConnectTimer();
        if (vendorFailed_) {
            window.Post(msg::ConnectResult, code::UnableConnect);
            break;
        }
        toshibaState_ = 3;
        if (const int err = OpenInnerConnection(vendorPort_); err != code::Ok) {
            window.Post(msg::ConnectResult, static_cast<uintptr_t>(err));
            break;
        }
        const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack();
        if (!stack || !stack->BtNotifyCOMM(vendorPortName_, window, msg::ToshibaLinkStatus))
            window.Post(msg::ConnectResult, code::InternalDriverError);
        break;
    }
    default:
        break;
    }
}

void TlnkCustomClientConnection::ToshibaLinkStatus(uint32_t Status)
{
    if (toshibaState_ != 3 || !inner_ || Status != toshiba::kLinkLost)
        return;
    StopConnectTimer();
    NotificationWindow().Post(msg::LinkLost);
}

void TlnkCustomClientConnection::TearDownToshiba()
{
    // The channel worker, if it has not been joined yet, holds nothing of the stack.
    StopWorker();
    const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack();
    if (stack && toshibaState_ == 1) {
        stack->BtCancelNotifyEvent(NotificationWindow());
        // The port was made for this link; left, it would stay with the stack.
        stack->BtDestroyCOMM(vendorPortName_);
    } else if (toshibaState_ >= 2) {
        FreeInnerConnection();
        if (stack) {
            stack->BtCancelNotifyCOMM(vendorPortName_);
            stack->BtDisconnectCOMM(vendorPortName_);
            stack->BtDestroyCOMM(vendorPortName_);
        }
    }
    vendorChannel_ = 0;
    vendorPort_ = 0;
    vendorFailed_ = false;
    vendorPortName_.clear();
    toshibaState_ = 0;
    vendorStatus_ = 0;
}

// --- WidComm ---

int TlnkCustomClientConnection::ConnectWidComm()
{
    StartConnectTimer();
    const VendorLinkSettings settings = VendorSettings();
    if (StartWorker([this, settings](int terminateFd) { WidCommLink(terminateFd, settings); }) != 0) {
        StopConnectTimer();
        return code::OutOfResources;
    }
    return code::Ok;
}

void TlnkCustomClientConnection::WidCommLink(int terminateFd, const VendorLinkSettings& settings)
{
    const WindowHandle window = NotificationWindow();
    auto fail = [&](int result) { window.Post(msg::ConnectResult, static_cast<uintptr_t>(result)); };
    const std::shared_ptr<WidCommStack> stack = BoundWidCommStack();
    if (!stack)
        return fail(code::BluetoothApiNotAvailable);

    // The service search takes the library-wide WidComm search lock itself.
    const TlnkBluetoothRadio radio(baWidComm);
    const TlnkBluetoothDevice device(settings.address);
    TlnkBluetoothServices services;
    if (const int err = device.EnumServices(&radio, &services, &settings.serviceUuid); err != code::Ok)
        return fail(err);
    const TlnkBluetoothService* service = nullptr;
    for (int i = 0; i < services.Count() && !service; ++i)
        if (settings.channel == 0 || services.Items(i)->Channel == settings.channel)
            service = services.Items(i);
    if (!service)
        return fail(code::ServiceNotFound);
    if (Signalled(terminateFd))
        return;

    const uintptr_t client = stack->WD_CreateRfCommClient(window);
    if (client == 0)
        return fail(code::OutOfResources);
    vendorClient_ = client;
    if (const int err = stack->WD_OpenRfCommClient(client, settings.bytes, service->Channel, settings.encryption,
                                                   settings.authentication, service->Name, settings.serviceUuid);
        err != code::Ok)
        fail(err);
    WaitOn(-1, 0, terminateFd, -1);
    AcknowledgeStop();
    vendorClient_ = 0;
    stack->WD_CloseRfCommClient(client);
    stack->WD_DestroyRfCommClient(client);
}

// --- common to the three ---

bool TlnkCustomClientConnection::HandleVendorNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    const bool connecting = State() == csConnecting;
    switch (Msg) {
    case msg::WidCommData:
        if (LParam > 0)
            AppendReceived(reinterpret_cast<const uint8_t*>(WParam), static_cast<size_t>(LParam));
        return true;
    case msg::WidCommClosed:
        if (connecting || State() == csConnected)
            StartLinkLossTimer();
        return true;
    case msg::ToshibaPortReady:
        if (connecting)
            ToshibaPortReady();
        return true;
    case msg::ToshibaConnectStatus:
        if (connecting)
            ToshibaConnectStatus(static_cast<uint32_t>(WParam));
        return true;
    case msg::ToshibaLinkStatus:
        ToshibaLinkStatus(static_cast<uint32_t>(WParam));
        return true;
    case msg::ToshibaChannelFound:
        if (connecting)
            ToshibaChannelFound(static_cast<int>(WParam));
        return true;
    default:
        return false;
    }
}

void TlnkCustomClientConnection::TearDownVendor()
{
    switch (linkApi_) {
    case baBlueSoleil: {
        StopWorker();
        const uint32_t connection = std::exchange(blueSoleilConnection_, 0);
        if (connection != 0)
            if (const std::shared_ptr<BlueSoleilStack> stack = BoundBlueSoleilStack())
                stack->BT_DisconnectSPPExService(connection);
        break;
    }
    case baToshiba:
        TearDownToshiba();
        break;
    case baWidComm:
        StopLinkLossTimer();
        StopWorker();
        break;
    case baMicrosoft:
        break;
    }
}

int TlnkCustomClientConnection::WriteVendor(const void* Buffer, uint32_t Size)
{
    switch (linkApi_) {
    case baBlueSoleil:
    case baToshiba:
        return inner_ ? inner_->Write(Buffer, Size) : code::InternalDriverError;
    case baWidComm: {
        const std::shared_ptr<WidCommStack> stack = BoundWidCommStack();
        const uintptr_t client = vendorClient_;
        if (!stack || client == 0 || stack->WD_WriteRfCommClient(client, Buffer, Size) != 0)
            return code::InternalDriverError;
        return code::Ok;
    }
    case baMicrosoft:
        break;
    }
    return code::TransportNotSupported;
}
