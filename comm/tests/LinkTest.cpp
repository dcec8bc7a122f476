// The links under the connection item, on their own: what each transport does with a
// control-line switch. (Opening, closing, writing and the device choice are covered
// through the item in ItemTest and SerialItemTest.)
#include "comm/link/ClientLink.h"
#include "comm/link/UsbItemLink.h"
#include "comm/tests/ItemTestSupport.h"
#include "transport/lnkClient.h"

#include <gtest/gtest.h>

using namespace dabrix::comm;
using namespace dabrix::comm::test;

namespace {

// A client connection that records the line commands it is given instead of sending them
// to a port (a pseudo-terminal has no modem lines to watch).
class LineRecordingClient : public TlnkClient {
public:
    LineRecordingClient() : TlnkClient(nullptr) {}
    int SerialLineCommand(TlnkSerialLineCommand Command) override
    {
        commands.push_back(Command);
        return 0;
    }
    std::vector<TlnkSerialLineCommand> commands;
};

TEST(LinkControlLines, EachTransportSwitchesTheLineItWasAskedFor)
{
    struct Case {
        LineCommand command;
        TlnkSerialLineCommand serial;       // the client's line command
        std::pair<TControlLine, bool> usb;  // the seam's line and state
    };
    const Case cases[] = {
        {LineCommand::SetBreak, lcSetBreak, {lnBreak, true}},
        {LineCommand::ClearBreak, lcClearBreak, {lnBreak, false}},
        {LineCommand::SetDTR, lcSetDTR, {lnDTR, false}},
        {LineCommand::ClearDTR, lcClearDTR, {lnDTR, true}},
        {LineCommand::SetRTS, lcSetRTS, {lnRTS, false}},
        {LineCommand::ClearRTS, lcClearRTS, {lnRTS, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.command));
        LineRecordingClient client;
        SerialLink(client).SetControlLine(c.command);
        EXPECT_EQ(client.commands, std::vector<TlnkSerialLineCommand>{c.serial});

        // Infrared and Bluetooth have no modem-control lines.
        client.commands.clear();
        IrDALink(client, nullptr).SetControlLine(c.command);
        BluetoothLink(client, nullptr).SetControlLine(c.command);
        EXPECT_TRUE(client.commands.empty());

        FakeUsbLink::State usb;
        UsbItemLink link(nullptr);
        link.Install(std::make_unique<FakeUsbLink>(usb));
        link.SetControlLine(c.command);
        EXPECT_EQ(usb.lines, (std::vector<std::pair<TControlLine, bool>>{c.usb}));
    }
}

} // namespace
