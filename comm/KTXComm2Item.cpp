#include "comm/KTXComm2Item.h"

#include "comm/KTXComm2Connection.h"
#include "platform/UserMessage.h"
#include "transport/lnkClient.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>

using dabrix::comm::ItemLink;
using dabrix::comm::LineCommand;

namespace {

constexpr uint32_t kClientConnectTimeoutMs = 5000;
constexpr int kConnectWaitPasses = 501;
constexpr int kConnectWaitStepMs = 10;
constexpr int kPacingStepMs = 1;

int64_t SteadyCounter()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

uint32_t TickCount()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

// How long ago `stamp` was, on the 32-bit clock: correct across the wrap for anything
// younger than 49 days.
uint32_t Since(uint32_t now, uint32_t stamp)
{
    return now - stamp;
}

} // namespace

TKTXComm2Item::TKTXComm2Item(TKTXComm2Connection* Collection)
    : ownerThread_(std::this_thread::get_id())
    , counter_(SteadyCounter)
{
    if (!Collection)
        return;
    collection_ = Collection;
    host_ = Collection->Host();
    collection_->InsertItem(this);
    const QString index = QString::number(Index());
    name_ = QStringLiteral("Connection") + index;

    client_ = std::make_unique<TlnkClient>(nullptr);
    client_->SetName(QStringLiteral("KTXComm2ConnectionClient") + index);
    client_->OnData = [this](TObject* Sender, const uint8_t* Buffer, uint32_t Size) {
        ReceiveBytes(Sender, Buffer, static_cast<int>(Size));
    };
    client_->OnConnect = [this](TObject* Sender, int Error) { ClientConnected(Sender, Error); };
    client_->OnDisconnect = [this](TObject* Sender) { ClientDisconnected(Sender); };
    client_->BluetoothParams()->SetServiceUuid(dabrix::comm::SerialPortServiceUuid());
    client_->BluetoothParams()->SetAuthentication(false);
    client_->SetConnectTimeout(kClientConnectTimeoutMs);
    serialLink_ = std::make_unique<dabrix::comm::SerialLink>(*client_);
    irdaLink_ = std::make_unique<dabrix::comm::IrDALink>(*client_, host_);
    bluetoothLink_ = std::make_unique<dabrix::comm::BluetoothLink>(*client_, host_);

    usbLink_.Install(dabrix::comm::CreateUsbLink());
    if (usbLink_.LacksReceiveEvent())
        dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error,
                                          QStringLiteral("Can`t create event handle (") + index + QStringLiteral(")"));

    Notify(this, neConnectionItemAdd);
}

TKTXComm2Item::~TKTXComm2Item()
{
    if (collection_) {
        Notify(this, neConnectionItemRemoved);
        if (LinkState() != lsDisconnected)
            Disconnect();
    }
    // A USB link can outlive the device choice (a new selection while it was open); its
    // receive thread calls into this item, so it must end before the item does.
    usbLink_.Install(nullptr);
    // The client links refer to the client.
    serialLink_.reset();
    irdaLink_.reset();
    bluetoothLink_.reset();
    if (client_) {
        // The removal has been reported; a link the client still holds ends silently.
        client_->OnConnect = nullptr;
        client_->OnDisconnect = nullptr;
        client_->OnData = nullptr;
        client_.reset();
    }
    device_.reset();
    if (collection_)
        collection_->RemoveItem(this);
}

void TKTXComm2Item::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TKTXComm2Item*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    SetBaudRate(source->BaudRate());
    SetPort(source->Port());
}

int TKTXComm2Item::Index() const
{
    return collection_ ? collection_->IndexOf(this) : -1;
}

// ---------------------------------------------------------------------------------------
// Properties with side effects

void TKTXComm2Item::SetBaudRate(uint32_t Value)
{
    if (Value == baudRate_)
        return;
    const bool wasConnected = LinkState() == lsConnected;
    if (wasConnected)
        Disconnect();
    baudRate_ = Value;
    if (wasConnected)
        Connect(port_ != portBT);
}

void TKTXComm2Item::SetPort(TPort Value)
{
    const TPort old = port_;
    port_ = Value;
    if (Value != old)
        Notify(this, nePortChanged);
    RefreshDeviceList();
}

void TKTXComm2Item::SetUSBLatency(uint32_t Value)
{
    usbLatency_ = Value;
    if (port_ == portUSB && LinkState() == lsConnected)
        usbLink_.ApplyLatency(Value);
}

// ---------------------------------------------------------------------------------------
// Choosing a device

void TKTXComm2Item::RefreshDeviceList()
{
    if (port_ == portNone || !host_)
        return;
    devices_ = host_->DeviceList(port_);
}

TErrMsg TKTXComm2Item::SelectDevice(int Index)
{
    const std::string oldName = deviceName_;
    deviceName_.clear();
    device_.reset();
    RefreshDeviceList();
    if (devices_.empty()) {
        Report(emEmptyDeviceList);
        return emEmptyDeviceList;
    }
    if (Index < 0 || Index >= static_cast<int>(devices_.size())) {
        Report(emNoDevice);
        return emNoDevice;
    }
    const TDevice& entry = devices_[static_cast<size_t>(Index)];
    // On portNone nothing is chosen, and that is no failure.
    if (const ItemLink* link = LinkForPort()) {
        deviceName_ = link->DeviceName(entry);
        device_ = std::make_unique<TDeviceObject>(entry);
    }
    if (deviceName_ != oldName)
        Notify(this, neConnectionChanged);
    return emNone;
}

int TKTXComm2Item::FindDevice(const TDevice& Device)
{
    for (size_t i = 0; i < devices_.size(); ++i) {
        const TDevice& entry = devices_[i];
        if (entry.Address != Device.Address)
            continue;
        if (entry.SameDevice(Device))
            return SelectDevice(static_cast<int>(i)) == emNone ? static_cast<int>(i) : -1;
    }
    return -1;
}

TErrMsg TKTXComm2Item::SelectDeviceByName(const QString& Name)
{
    const QString name = Name.toUpper();
    TErrMsg result = emDeviceNotFound;
    device_.reset();
    const ItemLink* link = LinkForPort();
    // On portNone there is nothing to search.
    if (!link || !host_)
        return result;
    const TDevices list = host_->DeviceList(port_);
    if (list.empty()) {
        Report(emEmptyDeviceList);
        return emEmptyDeviceList;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (link->Matches(list[i], name)) {
            result = SelectDevice(static_cast<int>(i));
            break;
        }
    }
    if (result != emNone)
        Report(emDeviceNotFound);
    return result;
}

// ---------------------------------------------------------------------------------------
// Connecting

TErrMsg TKTXComm2Item::Connect(bool Wait)
{
    if (!device_)
        return emNoDevice;
    TErrMsg result = emNone;
    // On portNone nothing is opened.
    if (ItemLink* link = LinkForPort())
        result = OpenLink(*link);
    if (result != emNone || !Wait)
        return result;

    for (int pass = 0; pass < kConnectWaitPasses; ++pass) {
        if (OnOwnerThread() && QCoreApplication::instance())
            QCoreApplication::processEvents();
        const TLinkState state = LinkState();
        if (state == lsConnected)
            return emNone;
        // The attempt has ended otherwise (it failed, or the link was closed meanwhile):
        // nothing is coming to wait for.
        if (state != lsConnecting)
            return emConnect;
        std::this_thread::sleep_for(std::chrono::milliseconds(kConnectWaitStepMs));
    }
    return emConnect;
}

// The client connection (COM port, infrared, Bluetooth) reports the outcome of its
// attempt later, through ClientConnected; a USB link is up when Open returns, and the
// item raises neConnect itself.
TErrMsg TKTXComm2Item::OpenLink(ItemLink& Link)
{
    if (!Link.Idle())
        return emDeviceNotDisconnected;
    dabrix::comm::LinkSettings settings;
    settings.BaudRate = baudRate_;
    settings.USBLatency = usbLatency_;
    settings.ReceiveTimeout = receiveTimeout_;
    settings.ShowErrors = host_ && host_->ShowErrorMsg();
    TDevice& device = device_->Device;
    if (Link.Open(device, settings) != 0) {
        Report(emConnect);
        return emConnect;
    }
    if (Link.RaisesOwnEvents()) {
        linkState_ = lsConnecting;
        return emNone;
    }
    linkState_ = lsConnected;
    Notify(this, neConnect, 0, device);
    return emNone;
}

bool TKTXComm2Item::Disconnect()
{
    if (!device_)
        return false;
    ItemLink* link = LinkForPort();
    if (!link)
        return false;
    if (link->RaisesOwnEvents()) {
        // A connected client raises OnDisconnect inside Close, which ends in
        // lsDisconnected; one that is still connecting ends silently in lsClosed.
        linkState_ = lsClosed;
        link->Close(device_->Device);
        return true;
    }
    if (!link->Close(device_->Device))
        return false;
    linkState_ = lsDisconnected;
    Notify(this, neDisconnect);
    return true;
}

// A failed attempt (Error != 0) has closed the client again: the link is down, though
// neConnect still carries the error to the application.
void TKTXComm2Item::ClientConnected(TObject* Sender, int Error)
{
    linkState_ = Error == 0 ? lsConnected : lsDisconnected;
    Notify(Sender, neConnect, Error, ChosenDevice());
}

void TKTXComm2Item::ClientDisconnected(TObject* Sender)
{
    linkState_ = lsDisconnected;
    Notify(Sender, neDisconnect);
}

void TKTXComm2Item::Notify(TObject* Sender, TNotificationEvent Event, int Error, const TDevice& Device)
{
    if (Event == neDeviceRemoved && (LinkState() == lsConnecting || LinkState() == lsConnected)) {
        Disconnect();
        linkState_ = lsDeviceLost;
    }
    if (OnNotification)
        OnNotification(Sender, Event, Device, Error);
}

// ---------------------------------------------------------------------------------------
// Sending

TErrMsg TKTXComm2Item::Send(const TBuffer& Buffer)
{
    if (LinkState() != lsConnected) {
        Report(emPortNotActive);
        return emPortNotActive;
    }
    switch (ProtocolTyp()) {
    case ptKTX: {
        TBuffer frame;
        const TErrMsg built = framer_.BuildTelegram(dabrix::comm::ktx::DataTelegram, 0, Buffer, frame);
        if (built != emNone)
            return built;
        return SendRaw(frame);
    }
    case ptRAW:
        return SendRaw(Buffer);
    }
    return emNone;
}

TErrMsg TKTXComm2Item::SendRaw(const TBuffer& Buffer)
{
    if (LinkState() != lsConnected) {
        Report(emPortNotActive);
        return emPortNotActive;
    }
    PaceSend();
    lastSend_ = Now();
    // Without a link the port was switched off under an open one: nothing can go out.
    // A failed write is not reported.
    ItemLink* link = LinkForPort();
    if (!link || link->Write(Buffer.Data(), Buffer.Count()) != 0)
        return emSendData;
    return emNone;
}

// Waits until CmdSendDelay ms have passed since the last transfer in either direction.
// The ages are taken modulo 2^32, so the wait ends across the clock's wrap; and it never
// lasts longer than CmdSendDelay ms from its start.
void TKTXComm2Item::PaceSend()
{
    const uint32_t delay = CmdSendDelay();
    if (delay == 0)
        return;
    const uint32_t start = Now();
    for (;;) {
        // Stamps before the clock: a stamp written meanwhile by the receive thread is then
        // never later than `now`.
        const uint32_t sent = lastSend_.load();
        const uint32_t received = lastReceive_.load();
        const uint32_t now = Now();
        const uint32_t idle = std::min(Since(now, sent), Since(now, received));
        if (idle >= delay || Since(now, start) >= delay)
            return;
        Pause(kPacingStepMs);
    }
}

void TKTXComm2Item::SetControlLine(TControlLine Line, bool State)
{
    if (LinkState() != lsConnected) {
        Report(emPortNotActive);
        return;
    }
    // State true switches the break on and DTR and RTS off.
    LineCommand command = LineCommand::SetBreak;
    switch (Line) {
    case lnBreak:
        command = State ? LineCommand::SetBreak : LineCommand::ClearBreak;
        break;
    case lnDTR:
        command = State ? LineCommand::ClearDTR : LineCommand::SetDTR;
        break;
    case lnRTS:
        command = State ? LineCommand::ClearRTS : LineCommand::SetRTS;
        break;
    default:
        return;
    }
    // A COM port link sends the client's line command and a USB link the bridge chip's
    // call; infrared and Bluetooth links ignore it.
    if (ItemLink* link = LinkForPort())
        link->SetControlLine(command);
}

QString TKTXComm2Item::BufferToString(const TBuffer& Buffer)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(Buffer.Data()), Buffer.Count());
}

// ---------------------------------------------------------------------------------------
// Receiving

void TKTXComm2Item::ReceiveBytes(TObject* Sender, const uint8_t* Bytes, int Count)
{
    lastReceive_ = Now();
    if (Count <= 0 || !Bytes)
        return;
    if (receiving_) {
        // A handler or a reply's wait let events run and more data came: it is framed
        // after the chunk in hand, so units stay whole and in order.
        pending_.push_back({Sender, std::vector<uint8_t>(Bytes, Bytes + Count)});
        return;
    }
    struct Busy {
        TKTXComm2Item& item;
        explicit Busy(TKTXComm2Item& i) : item(i) { item.receiving_ = true; }
        ~Busy() { item.receiving_ = false; }
    } busy(*this);

    receiveSender_ = Sender;
    framer_.Receive(Bytes, Count);
    while (!pending_.empty()) {
        const PendingChunk chunk = std::move(pending_.front());
        pending_.pop_front();
        receiveSender_ = chunk.Sender;
        framer_.Receive(chunk.Bytes.data(), static_cast<int>(chunk.Bytes.size()));
    }
}

void TKTXComm2Item::DeliverTelegram(const TTelegramData& Telegram, TBuffer& Response)
{
    if (OnTelegram)
        OnTelegram(receiveSender_, Telegram, Response);
}

// ---------------------------------------------------------------------------------------
// Helpers

void TKTXComm2Item::Report(TErrMsg ErrMsg)
{
    if (host_)
        host_->ReportError(this, ErrMsg);
}

uint32_t TKTXComm2Item::Now() const
{
    const int64_t frequency = host_ ? host_->CounterFrequency() : 0;
    if (frequency == 0)
        return TickCount();
    // counter * 1000 / frequency without overflow: a nanosecond counter times 1000 passes
    // 64 bits after 106 days. A frequency in whole kHz (steady_clock's) divides at once.
    const int64_t counter = counter_();
    if (frequency % 1000 == 0)
        return static_cast<uint32_t>(static_cast<uint64_t>(counter / (frequency / 1000)));
    const __int128 ms = static_cast<__int128>(counter) * 1000 / frequency;
    return static_cast<uint32_t>(static_cast<unsigned __int128>(ms));
}

void TKTXComm2Item::SetUsbLink(std::unique_ptr<dabrix::comm::UsbLink> Link)
{
    usbLink_.Install(std::move(Link));
}

// The one place where the port picks the transport.
ItemLink* TKTXComm2Item::LinkForPort()
{
    switch (port_) {
    case portCOM:
        return serialLink_.get();
    case portIrDA:
        return irdaLink_.get();
    case portBT:
        return bluetoothLink_.get();
    case portUSB:
        return &usbLink_;
    case portNone:
        return nullptr;
    }
    return nullptr;
}

bool TKTXComm2Item::OnOwnerThread() const
{
    return std::this_thread::get_id() == ownerThread_;
}

void TKTXComm2Item::Pause(int milliseconds) const
{
    if (OnOwnerThread() && QCoreApplication::instance())
        QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace dabrix::comm {

void ApplyMainWindowSettings(TKTXComm2Item& Item)
{
    Item.SetProtocolTyp(ptRAW);
    Item.SetEndOfLineChar(0);
    Item.SetReceiveTimeout(10);
}

} // namespace dabrix::comm
