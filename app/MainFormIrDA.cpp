// The IrCOMM listener of the infrared gauge (Tag 10): the window offers the IrCOMM service
// itself, the gauge connects to it and whatever it sends goes straight into the editor.
// The connection item is not used on this path.
#include "app/MainForm.h"

#include "app/ReadingsPanel.h"
#include "platform/irda/IrDASocket.h"

#include <QTimer>

#include <array>
#include <cstring>

namespace {

namespace irda = dabrix::platform::irda;

constexpr const char* kIrCommService = "IrDA:IrCOMM";
// The most the window takes from the gauge per read event.
constexpr size_t kIrDAReadSize = 101;

// The IAS record that announces the service: class "IrDA:IrCOMM", attribute "Parameters",
// an octet sequence with the IrCOMM parameters service type 3-wire cooked and 9-wire,
// port type serial.
std::array<uint8_t, irda::kIasRecordSize> IrCommIasRecord()
{
    std::array<uint8_t, irda::kIasRecordSize> record{};
    constexpr size_t kAttributeName = 64;
    constexpr size_t kAttributeType = kAttributeName + 256;
    constexpr size_t kOctetLength = kAttributeType + 4;
    constexpr size_t kOctets = kOctetLength + 2;
    static constexpr uint8_t kParameters[] = {0x00, 0x01, 0x06, 0x01, 0x01, 0x01};
    std::memcpy(record.data(), kIrCommService, std::strlen(kIrCommService));
    std::memcpy(record.data() + kAttributeName, "Parameters", 10);
    const uint32_t octetSequence = 2;
    std::memcpy(record.data() + kAttributeType, &octetSequence, sizeof octetSequence);
    const uint16_t length = sizeof kParameters;
    std::memcpy(record.data() + kOctetLength, &length, sizeof length);
    std::memcpy(record.data() + kOctets, kParameters, sizeof kParameters);
    return record;
}

} // namespace

bool TMainForm::OpenIrDAListener()
{
    // A listener opened earlier (a search for Tag 10 that runs again) must not stay open
    // unreferenced: it goes first, as on Disconnect.
    CloseIrDASockets();

    int error = 0;
    std::unique_ptr<irda::IrDASocket> listener = irda::CreateIrDASocket(error);
    if (!listener)
        return false;
    const auto record = IrCommIasRecord();
    if (listener->SetIasRecord(record.data(), record.size()) != 0 || listener->SetNineWire(true) != 0
        || listener->Bind(kIrCommService) != 0 || listener->Listen(2) != 0)
        return false;
    // Accepted sockets inherit the handler; the layer never blocks in Accept.
    const uint32_t events = static_cast<uint32_t>(irda::IrDAEvent::Read) | static_cast<uint32_t>(irda::IrDAEvent::Accept)
                            | static_cast<uint32_t>(irda::IrDAEvent::Close);
    if (listener->Watch(events, [this](irda::IrDAEvent event) { IrDAEvent(static_cast<uint32_t>(event)); }) != 0)
        return false;
    IrDAListenSocket = std::move(listener);
    return true;
}

void TMainForm::CloseIrDASockets()
{
    IrDAAcceptSocket.reset();
    IrDAListenSocket.reset();
}

void TMainForm::IrDAEvent(uint32_t Event)
{
    switch (Event) {
    case static_cast<uint32_t>(irda::IrDAEvent::Read): {
        if (!IrDAAcceptSocket)
            return;
        std::array<char, kIrDAReadSize> buffer{};
        const auto result = IrDAAcceptSocket->Read(buffer.data(), buffer.size());
        if (result.status != irda::IrDAReadResult::Status::Data || result.count == 0)
            return;
        RestartPromptTimer(TagOf(PromptTime));
        // Anything else (paused behind a dialog, searching) reads the data and drops them.
        // Zero bytes are no text and are left out. Ending the text at the first of them
        // would lose the rest of this read, and which bytes that is depends on how the
        // link happened to split the data.
        if (DisplayState == dsReceiving)
            InsertReceivedText(QString::fromLatin1(buffer.data(), static_cast<qsizetype>(result.count)).remove(QChar(0)));
        return;
    }
    case static_cast<uint32_t>(irda::IrDAEvent::Accept): {
        if (!IrDAListenSocket)
            return;
        IrDAAcceptSocket.reset();
        int error = 0;
        if (auto accepted = IrDAListenSocket->Accept(error)) {
            IrDAAcceptSocket = std::move(accepted);
            Readings->NewBatch();
            DisplayState = dsReceiving;
            UpdateStatusBar();
        }
        return;
    }
    case static_cast<uint32_t>(irda::IrDAEvent::Close):
        // The listener stays for the gauge's next connection.
        IrDAAcceptSocket.reset();
        DisplayState = dsSearching;
        UpdateStatusBar();
        return;
    default:
        return;
    }
}
