// Parameter objects of the client connection: defaults, coupled values, validation
// and copying.
#include "transport/lnkClient.h"
#include "transport/lnkExceptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `action` and returns the message of the lnkException it raised ("" if none).
template <typename Exception = lnkException>
QString RaisedMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(ParamsTest, Defaults)
{
    TlnkClient client(nullptr);
    EXPECT_EQ(client.Transport(), trBluetooth);
    EXPECT_EQ(client.ConnectTimeout(), 20000u);
    EXPECT_EQ(client.State(), csDisconnected);
    EXPECT_EQ(client.Buffers()->ReadBuffer(), 4096u);
    EXPECT_EQ(client.Buffers()->WriteBuffer(), 4096u);

    const TlnkClientSerialParams& s = *client.SerialParams();
    EXPECT_EQ(s.BaudRate(), br115200);
    EXPECT_EQ(s.BaudRateValue(), 115200u);
    EXPECT_EQ(s.ByteSize(), bs8);
    EXPECT_EQ(s.Parity(), paNone);
    EXPECT_EQ(s.Port(), 1u);
    EXPECT_EQ(s.StopBits(), sb1);

    const TlnkClientIrDAParams& i = *client.IrDAParams();
    EXPECT_TRUE(i.NineWire());
    EXPECT_EQ(i.Service(), "IrDA:IrCOMM");
    EXPECT_EQ(i.Address(), "(00:00:00:00)");

    const TlnkClientBluetoothParams& b = *client.BluetoothParams();
    EXPECT_TRUE(b.Authentication());
    EXPECT_FALSE(b.Encryption());
    EXPECT_EQ(b.Channel(), 0);
    EXPECT_EQ(b.Radio(), nullptr);
    EXPECT_EQ(b.ServiceUuid(), QUuid("{00000000-0000-1000-8000-00805F9B34FB}"));
    EXPECT_EQ(b.Address(), "(00:00:00:00:00:00)");
}

// Each row: one setter call and the pair it leaves.
TEST(ParamsTest, BaudRateAndValueStayPaired)
{
    TlnkClient client(nullptr);
    TlnkClientSerialParams& s = *client.SerialParams();
    const struct {
        std::function<void()> set;
        TlnkBaudRate rate;
        uint32_t value;
    } rows[] = {
        {[&] { s.SetBaudRateValue(57600); }, br57600, 57600},
        {[&] { s.SetBaudRateValue(12345); }, brCustom, 12345},
        {[&] { s.SetBaudRate(br9600); }, br9600, 9600},
        {[&] { s.SetBaudRate(brCustom); }, brCustom, 9600},  // value kept
        {[&] { s.SetBaudRateValue(110); }, br110, 110},
        {[&] { s.SetBaudRate(br256000); }, br256000, 256000},
        {[&] { s.SetBaudRate(br14400); }, br14400, 14400},
        {[&] { s.SetBaudRateValue(128000); }, br128000, 128000},
        {[&] { s.SetBaudRateValue(28800); }, brCustom, 28800},
        {[&] { s.SetBaudRate(br56000); }, br56000, 56000},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        rows[i].set();
        EXPECT_EQ(s.BaudRate(), rows[i].rate) << "row " << i;
        EXPECT_EQ(s.BaudRateValue(), rows[i].value) << "row " << i;
    }
}

TEST(ParamsTest, AuthenticationAndEncryptionAreCoupled)
{
    TlnkClient client(nullptr);
    TlnkClientBluetoothParams& b = *client.BluetoothParams();
    const struct {
        std::function<void()> set;
        bool authentication;
        bool encryption;
    } rows[] = {
        {[&] { b.SetEncryption(true); }, true, true},
        {[&] { b.SetAuthentication(false); }, false, false},  // clears encryption
        {[&] { b.SetEncryption(true); }, true, true},         // sets authentication
        {[&] { b.SetEncryption(false); }, true, false},
        {[&] { b.SetAuthentication(false); }, false, false},
        {[&] { b.SetAuthentication(true); }, true, false},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        rows[i].set();
        EXPECT_EQ(b.Authentication(), rows[i].authentication) << "row " << i;
        EXPECT_EQ(b.Encryption(), rows[i].encryption) << "row " << i;
    }
}

// Each row: a bad value, the message it raises, and a check that nothing was stored.
TEST(ParamsTest, InvalidValuesRaiseAndChangeNothing)
{
    TlnkClient client(nullptr);
    TlnkClientSerialParams& s = *client.SerialParams();
    TlnkClientIrDAParams& i = *client.IrDAParams();
    TlnkClientBluetoothParams& b = *client.BluetoothParams();
    const struct {
        std::function<void()> set;
        QString message;
        std::function<bool()> unchanged;
    } rows[] = {
        {[&] { s.SetBaudRateValue(0); }, "Invalid BaudRate value.", [&] { return s.BaudRateValue() == 115200; }},
        {[&] { s.SetPort(0); }, "Invalid port number", [&] { return s.Port() == 1; }},
        {[&] { client.Buffers()->SetReadBuffer(0); }, "Invalid buffer size.", [&] { return client.Buffers()->ReadBuffer() == 4096; }},
        {[&] { client.Buffers()->SetWriteBuffer(0); }, "Invalid buffer size.", [&] { return client.Buffers()->WriteBuffer() == 4096; }},
        {[&] { client.SetConnectTimeout(0); }, "Timeout is not valid.", [&] { return client.ConnectTimeout() == 20000; }},
        {[&] { i.SetService(""); }, "Invalid service.", [&] { return i.Service() == "IrDA:IrCOMM"; }},
        {[&] { i.SetAddress("(1:02:03:04)"); }, "(1:02:03:04) is not valid IrDA address.", [&] { return i.Address() == "(00:00:00:00)"; }},
        {[&] { b.SetAddress("(0G:11:22:33:44:55)"); }, "(0G:11:22:33:44:55) is not valid bluetooth address.", [&] { return b.Address() == "(00:00:00:00:00:00)"; }},
        {[&] { client.SetSerialParams(nullptr); }, "SerialParams object is not valid.", [] { return true; }},
        {[&] { client.SetIrDAParams(nullptr); }, "IrDAParams object is not valid.", [] { return true; }},
        {[&] { client.SetBluetoothParams(nullptr); }, "BluetoothParams object is not valid.", [] { return true; }},
        {[&] { client.SetBuffers(nullptr); }, "Buffers object is not valid.", [] { return true; }},
        {[&] { client.SetTransport(trUSB); }, "Unsupportred transport.", [&] { return client.Transport() == trBluetooth; }},
        {[&] { client.SetTransport(trHID); }, "Unsupportred transport.", [&] { return client.Transport() == trBluetooth; }},
    };
    for (size_t n = 0; n < std::size(rows); ++n) {
        EXPECT_EQ(RaisedMessage(rows[n].set), rows[n].message) << "row " << n;
        EXPECT_TRUE(rows[n].unchanged()) << "row " << n;
    }
    // The classes callers catch.
    EXPECT_THROW(client.SetTransport(trUSB), lnkEInvalidTransport);
    EXPECT_THROW(client.SetTransport(trUSB), lnkEInvalidArgument);
    EXPECT_THROW(i.SetAddress("x"), lnkEInvalidAddress);
    EXPECT_THROW(s.SetPort(0), lnkEInvalidArgument);
    EXPECT_THROW(TlnkBuffers(nullptr), lnkEInvalidArgument);
    EXPECT_EQ(RaisedMessage([] { TlnkClientSerialParams params(nullptr); }), "Connection is required.");
}

TEST(ParamsTest, RadioIsKeptAsACopy)
{
    TlnkClient client(nullptr);
    TlnkClientBluetoothParams& b = *client.BluetoothParams();
    TlnkBluetoothRadio radio(baMicrosoft);
    b.SetRadio(&radio);
    ASSERT_NE(b.Radio(), nullptr);
    EXPECT_NE(b.Radio(), &radio);
    EXPECT_EQ(b.Radio()->Api(), baMicrosoft);
    radio.SetApi(baWidComm);
    EXPECT_EQ(b.Radio()->Api(), baMicrosoft);
    b.SetRadio(b.Radio());  // its own copy again: nothing happens
    EXPECT_EQ(b.Radio()->Api(), baMicrosoft);
    b.SetRadio(nullptr);
    EXPECT_EQ(b.Radio(), nullptr);
    EXPECT_EQ(RaisedMessage([&] { radio.Assign(nullptr); }), "Radio parameter is not valid.");
}

TEST(ParamsTest, AssigningCopiesValues)
{
    TlnkClient source(nullptr), target(nullptr);
    TlnkClientSerialParams& s = *source.SerialParams();
    s.SetBaudRate(br9600);
    s.SetBaudRate(brCustom);  // brCustom with a named value must survive the copy
    s.SetByteSize(bs7);
    s.SetParity(paMark);
    s.SetPort(12);
    s.SetStopBits(sb2);
    source.Buffers()->SetReadBuffer(100);
    source.Buffers()->SetWriteBuffer(200);
    source.IrDAParams()->SetNineWire(false);
    source.IrDAParams()->SetAddress("(01:02:03:04)");
    source.BluetoothParams()->SetEncryption(true);
    source.BluetoothParams()->SetChannel(5);
    source.BluetoothParams()->SetAddress("(00:11:22:33:44:55)");
    const QUuid spp("{00001101-0000-1000-8000-00805F9B34FB}");
    source.BluetoothParams()->SetServiceUuid(spp);

    target.SetSerialParams(source.SerialParams());
    target.SetBuffers(source.Buffers());
    target.SetIrDAParams(source.IrDAParams());
    target.SetBluetoothParams(source.BluetoothParams());

    const TlnkClientSerialParams& t = *target.SerialParams();
    EXPECT_EQ(t.BaudRate(), brCustom);
    EXPECT_EQ(t.BaudRateValue(), 9600u);
    EXPECT_EQ(t.ByteSize(), bs7);
    EXPECT_EQ(t.Parity(), paMark);
    EXPECT_EQ(t.Port(), 12u);
    EXPECT_EQ(t.StopBits(), sb2);
    EXPECT_EQ(target.Buffers()->ReadBuffer(), 100u);
    EXPECT_EQ(target.Buffers()->WriteBuffer(), 200u);
    EXPECT_FALSE(target.IrDAParams()->NineWire());
    EXPECT_EQ(target.IrDAParams()->Address(), "(01:02:03:04)");
    EXPECT_TRUE(target.BluetoothParams()->Authentication());
    EXPECT_TRUE(target.BluetoothParams()->Encryption());
    EXPECT_EQ(target.BluetoothParams()->Channel(), 5);
    EXPECT_EQ(target.BluetoothParams()->Address(), "(00:11:22:33:44:55)");
    // Not a published value: stays as it was.
    EXPECT_EQ(target.BluetoothParams()->ServiceUuid(), TlnkCustomBluetoothParams::BaseUuid());

    // Parameter objects of different kinds do not mix.
    EXPECT_THROW(target.Buffers()->Assign(source.SerialParams()), lnkEInvalidArgument);
}
