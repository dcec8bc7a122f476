// A USB gauge end to end: the manager lists the simulated bridge gauge, an item on
// portUSB connects to it, receives its bytes on the link's receive thread and sends.
#include "comm/KTXComm2Item.h"
#include "comm/d2xx/D2XXUsbLink.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UserMessage.h"
#include "tests/sim/d2xx/SimD2XXControl.h"
#include "tests/support/EventLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

using dabrix::test::WaitFor;

TEST(UsbGauge, AnItemConnectsReceivesOnTheReceiveThreadInOrderAndSends)
{
    QTemporaryDir config, bus;
    setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    setenv("DABRIX_USB_SIM", bus.path().toUtf8().constData(), 1);
    setenv("DABRIX_D2XX_LIBRARY", DABRIX_SIM_D2XX_PATH, 1);
    dabrix::test::SimD2XX sim(DABRIX_SIM_D2XX_PATH);
    sim.Reset();
    sim.AddDevice("LK3A0001", "Lakmo3 USB Adapter", 0x04036001);
    {
        QFile f(bus.filePath("gauge.usb"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("vid=0403\npid=6001\nserial=LK3A0001\nproduct=Lakmo3 USB Adapter\n");
    }
    dabrix::comm::InstallD2XXUsbLinkFactory();

    std::mutex lock;
    std::vector<uint8_t> received;
    std::vector<std::thread::id> threads;
    {
        TKTXComm2Manager manager(nullptr);
        TKTXComm2Item* item = manager.Connections().Add();
        item->SetProtocolTyp(ptRAW);
        item->SetEndOfLineChar(0);
        item->SetReceiveTimeout(10);
        item->OnTelegram = [&](TObject*, TTelegramData t, TBuffer&) {
            std::lock_guard guard(lock);
            received.insert(received.end(), t.Data.Data(), t.Data.Data() + t.Data.Count());
            threads.push_back(std::this_thread::get_id());
        };
        manager.SetUSBMode(umManualDiscovery);
        manager.Refresh(TPorts{portUSB});
        item->SetPort(portUSB);
        ASSERT_EQ(item->Devices().size(), 1u);
        ASSERT_EQ(item->SelectDeviceByName("LK3A0001"), emNone);
        ASSERT_EQ(item->Connect(false), emNone);
        EXPECT_EQ(item->LinkState(), lsConnected);
        EXPECT_NE(item->Device()->Device.Handle, -1);

        // 2000 bytes in bursts: every byte arrives, in order, on the receive thread.
        std::vector<uint8_t> sent;
        for (int burst = 0; burst < 20; ++burst) {
            std::vector<uint8_t> bytes(100);
            for (auto& b : bytes)
                b = static_cast<uint8_t>(sent.size() + (&b - bytes.data()));
            sent.insert(sent.end(), bytes.begin(), bytes.end());
            ASSERT_EQ(sim.GaugeSend("LK3A0001", bytes), 0);
        }
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard guard(lock);
            return received.size() >= sent.size();
        }));
        {
            std::lock_guard guard(lock);
            EXPECT_EQ(received, sent);
            for (const auto& id : threads)
                EXPECT_NE(id, std::this_thread::get_id());
        }

        TBuffer out;
        const uint8_t enq[] = {0x05, 'A'};
        out.Assign(enq, sizeof enq);
        EXPECT_EQ(item->Send(out), emNone);
        EXPECT_EQ(sim.GaugeReceived("LK3A0001"), (std::vector<uint8_t>{0x05, 'A'}));

        EXPECT_TRUE(item->Disconnect());
        EXPECT_EQ(item->LinkState(), lsDisconnected);
        EXPECT_EQ(item->Device()->Device.Handle, -1);
        item->OnTelegram = nullptr;
    }
    dabrix::comm::SetUsbLinkFactory(nullptr);
    sim.Reset();
    unsetenv("DABRIX_USB_SIM");
    unsetenv("DABRIX_D2XX_LIBRARY");
}
