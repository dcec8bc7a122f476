#pragma once
// The two wire protocols of a connection item, without the link: framing of received
// bytes into units (raw chunks or lines, or KTX telegrams), parsing and building of KTX
// telegrams, and the receive state that goes with them (working telegram, reply
// addresses, sequence character, most recent telegram).
//
// KTX telegram on the wire:
//   start byte, destination, source (bit 7 set: a sub-address follows), [sub-address],
//   control byte, payload (raw, or in 7-bit groups when the first payload byte has bit 7
//   set), checksum (sum of everything before it, modulo 256, bit 7 set), end byte.
//
// The framer does not send or report anything itself: it calls its TelegramPort, which
// the connection item implements (reports go to the manager, replies through the paced
// send). Tests and benchmarks give it a port of their own.
//
// Threading: Receive, ParseTelegram and the replies' BuildTelegram run on the thread
// that receives (the owner thread, or a USB link's receive thread), one call at a time.
// BuildTelegram of a 0x02 or 0x03 telegram reads only the settings and may run on the
// owner thread meanwhile. The Received flag of the most recent telegram may be exchanged
// from any thread; the settings are changed only while no other thread receives.
#include "manager/KTXComm2Types.h"

#include <atomic>
#include <cstdint>

enum TProtocolTyp : uint8_t { ptKTX, ptRAW };

namespace dabrix::comm {

// Start and end bytes of KTX telegrams.
namespace ktx {
inline constexpr uint8_t DataTelegram = 0x02;    // acknowledged; what Send produces
inline constexpr uint8_t Telegram03 = 0x03;      // framed like 0x02, not acknowledged
inline constexpr uint8_t Ack = 0x06;             // carries the sequence character
inline constexpr uint8_t Nak = 0x0F;             // control byte is the NAK code + 0x20
inline constexpr uint8_t Telegram10 = 0x10;      // framed like 0x06, not acknowledged
inline constexpr uint8_t End = 0x04;             // ends every telegram we send
inline constexpr uint8_t EndAlt = 0x05;          // also ends a received telegram
inline constexpr uint8_t Broadcast = 0xFF;       // destination every item accepts
inline constexpr uint8_t SequenceReset = 0x20;   // first response byte that resets the sequence

constexpr bool IsStartByte(uint8_t b)
{
    return b == DataTelegram || b == Telegram03 || b == Ack || b == Nak || b == Telegram10;
}
constexpr bool IsEndByte(uint8_t b) { return b == End || b == EndAlt; }
} // namespace ktx

// The item's properties the protocols read.
struct TelegramSettings {
    TProtocolTyp ProtocolTyp = ptKTX;
    uint8_t ReceiveAdr = 0x35;     // the gauge's address in telegrams we send
    uint8_t TransmitAdr = 0x7F;    // our own address
    uint8_t SubAdr = 0;            // sub-address in telegrams we send; 0 = none
    uint8_t EndOfLineChar = 13;    // end of a raw line; 0 = every received chunk is a unit
};

// What the framer needs from the item that owns it.
class TelegramPort {
public:
    virtual ~TelegramPort() = default;
    // A failure of parsing or building (the manager's error report).
    virtual void ReportError(TErrMsg ErrMsg) = 0;
    // Whether an OnTelegram handler is assigned: without one nothing is delivered to
    // the application and nothing is answered.
    virtual bool HasTelegramHandler() const = 0;
    // A complete unit for OnTelegram; the handler may fill Response.
    virtual void DeliverTelegram(const TTelegramData& Telegram, TBuffer& Response) = 0;
    // An acknowledgement or a raw response, to go out through the paced send. Its
    // result does not matter to the framer.
    virtual void SendReply(const TBuffer& Frame) = 0;
};

class TelegramFramer {
public:
    explicit TelegramFramer(TelegramPort& Port) : port_(Port) {}

    TelegramFramer(const TelegramFramer&) = delete;
    TelegramFramer& operator=(const TelegramFramer&) = delete;

    TelegramSettings& Settings() { return settings_; }
    const TelegramSettings& Settings() const { return settings_; }

    // Frames the telegram `Command` (0x02/0x03 to the gauge, 0x06/0x0F/0x10 as a reply
    // to the last accepted telegram) from Source: Source[1] is the control byte (for
    // replies it only steers the sequence character and the encoding), Source[2..] the
    // payload. Value is the control byte of a 0x0F telegram.
    // emUnknownCommand for any other command; emSendData when the frame would not fit
    // in 255 bytes. Both are reported; Frame is then empty.
    TErrMsg BuildTelegram(uint8_t Command, uint8_t Value, const TBuffer& Source, TBuffer& Frame);

    // Parses a collected frame (start byte .. end byte) into Telegram. Sets the reply
    // address and sub-address when the destination is accepted. Returns emUnknownCommand,
    // emWrongAddress or emBadCheckSum (each reported) or emNAK for a 0x0F telegram (not
    // reported); the record holds what could be read (see the header of the .cpp).
    TErrMsg ParseTelegram(const TBuffer& Frame, TTelegramData& Telegram);

    // Frames a chunk of received bytes by the protocol in Settings(), delivering every
    // completed unit and answering it as the protocol says. Re-entry (a handler or a
    // reply's wait that ends up receiving again) must be prevented by the caller.
    void Receive(const uint8_t* Bytes, int Count);

    // The most recent completed unit. Its Received field is 1 once anything was received.
    TTelegramData LastTelegram() const;
    // Exchanges the Received flag of the most recent telegram (any thread).
    uint32_t ExchangeReceived(uint32_t Value) { return lastReceived_.exchange(Value); }

    bool Idle() const { return working_.Command == 0; }
    uint8_t SequenceChar() const { return sequence_; }
    uint8_t ReplyAdr() const { return replyAdr_; }
    uint8_t ReplySubAdr() const { return replySubAdr_; }

private:
    void ReceiveKTX(const uint8_t* bytes, int count);
    void ReceiveRAW(const uint8_t* bytes, int count);
    void CompleteKTX();
    void CompleteRAW();
    void StoreLast(const TTelegramData& telegram);

    TelegramPort& port_;
    TelegramSettings settings_;
    TTelegramData working_;         // Command 0: idle, waiting for the start of a unit
    TTelegramData last_;            // most recent unit; its Received lives in lastReceived_
    std::atomic<uint32_t> lastReceived_ = 0;
    uint8_t replyAdr_ = 0;
    uint8_t replySubAdr_ = 0;
    uint8_t sequence_ = ktx::SequenceReset;
};

} // namespace dabrix::comm
