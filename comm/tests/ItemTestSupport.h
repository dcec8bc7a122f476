#pragma once
// Fakes for the connection item's tests: a host (the manager's side) described by device
// lists, a USB link that records what it is asked to do, and a log of notifications.
#include "comm/KTXComm2Connection.h"
#include "comm/KTXComm2Host.h"
#include "comm/KTXComm2Item.h"
#include "comm/KTXComm2UsbLink.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace dabrix::comm::test {

class FakeHost : public TKTXComm2Host {
public:
    QString ReportError(TKTXComm2Item*, TErrMsg ErrMsg) override
    {
        std::lock_guard lock(mutex);
        reports.push_back(ErrMsg);
        return ErrMsgText(ErrMsg);
    }
    TDevices DeviceList(TPort Port) const override
    {
        const auto it = lists.find(Port);
        return it == lists.end() ? TDevices{} : it->second;
    }
    int64_t CounterFrequency() const override { return frequency; }
    void RestartIrDATimer() override { ++irdaTimerRestarts; }
    const TlnkBluetoothRadio* BTRadio() const override { return nullptr; }
    bool ShowErrorMsg() const override { return showErrorMsg; }

    std::vector<TErrMsg> Reports()
    {
        std::lock_guard lock(mutex);
        return reports;
    }

    std::map<TPort, TDevices> lists;
    int64_t frequency = SteadyFrequency();
    int irdaTimerRestarts = 0;
    bool showErrorMsg = false;
    std::mutex mutex;
    std::vector<TErrMsg> reports;

    static int64_t SteadyFrequency()
    {
        using period = std::chrono::steady_clock::period;
        return period::den / period::num;
    }
};

struct Notification {
    TObject* sender;
    TNotificationEvent event;
    int error;
    TDevice device;
};

inline void LogNotifications(TKTXComm2Item& item, std::vector<Notification>& log)
{
    item.OnNotification = [&log](TObject* Sender, TNotificationEvent Event, const TDevice& Device, int Error) {
        log.push_back({Sender, Event, Error, Device});
    };
}

inline std::vector<TNotificationEvent> Events(const std::vector<Notification>& log)
{
    std::vector<TNotificationEvent> events;
    for (const Notification& n : log)
        events.push_back(n.event);
    return events;
}

// A USB link that opens when told to, records writes with their times, and hands the
// test its receiver so that "received" bytes can be fed on any thread.
class FakeUsbLink : public UsbLink {
public:
    using Clock = std::chrono::steady_clock;
    struct Write {
        std::vector<uint8_t> bytes;
        Clock::time_point at;
        std::thread::id thread;
    };
    struct State {
        bool hasEvent = true;
        int openStatus = 0;
        int writeStatus = 0;
        std::string openedSerial;
        UsbLinkSettings openedWith;
        int opens = 0;
        int closes = 0;
        bool open = false;
        Receiver receiver;
        std::vector<Write> writes;
        std::vector<std::pair<TControlLine, bool>> lines;
        std::vector<uint32_t> latencies;
        std::mutex mutex;
    };

    explicit FakeUsbLink(State& state) : s_(state) {}

    bool HasReceiveEvent() const override { return s_.hasEvent; }
    int Open(const std::string& SerialNo, const UsbLinkSettings& Settings, Receiver OnReceive) override
    {
        Close();  // as the seam does with a link that is open already
        ++s_.opens;
        s_.openedSerial = SerialNo;
        s_.openedWith = Settings;
        if (s_.openStatus != 0)
            return s_.openStatus;
        s_.open = true;
        s_.receiver = std::move(OnReceive);
        return 0;
    }
    bool Close() override
    {
        if (!s_.open)
            return false;
        ++s_.closes;
        s_.open = false;
        return true;
    }
    int32_t Handle() const override { return s_.open ? 7 : kClosedHandle; }
    int Write(const uint8_t* Data, uint32_t Count) override
    {
        std::lock_guard lock(s_.mutex);
        s_.writes.push_back({std::vector<uint8_t>(Data, Data + Count), Clock::now(), std::this_thread::get_id()});
        return s_.writeStatus;
    }
    void SetControlLine(TControlLine Line, bool State) override { s_.lines.emplace_back(Line, State); }
    void ApplyLatency(uint32_t Milliseconds) override { s_.latencies.push_back(Milliseconds); }

private:
    State& s_;
};

// A collection with one item on a fake host, with a fake USB link and a notification log.
// Members the items use come first, so they outlive the collection.
struct ItemFixture {
    FakeHost host;
    FakeUsbLink::State usb;
    std::vector<Notification> notifications;
    TKTXComm2Connection connections{&host, nullptr};
    TKTXComm2Item* item = connections.Add();

    ItemFixture()
    {
        item->SetUsbLink(std::make_unique<FakeUsbLink>(usb));
        LogNotifications(*item, notifications);
    }

    // A USB gauge chosen and connected.
    void ConnectUsb(const std::string& serial = "FT123")
    {
        TDevice gauge;
        gauge.Name = "Gauge";
        gauge.Info = "GAUGE USB";
        gauge.SerialNo = serial;
        gauge.Handle = -1;
        host.lists[portUSB] = {gauge};
        item->SetPort(portUSB);
        item->SelectDevice(0);
        item->Connect(false);
    }
};

} // namespace dabrix::comm::test
