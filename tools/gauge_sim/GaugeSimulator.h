#pragma once
// A measuring gauge on a pseudo-terminal: the program under test opens the terminal's
// slave side as a COM port; the simulator talks through the master side. Or, with the
// irda option, an infrared gauge in the air of the emulated infrared layer: the program
// connects to its IrCOMM service, and the simulator talks through that connection. With
// the bluetooth option, a Bluetooth gauge on the simulated Bluetooth stack, reached over
// its RFCOMM endpoint in the same way.
//
// Open() creates the terminal and registers it in ComPorts.ini (or enters the air);
// Run() plays the gauge on the calling thread until Stop() (from any thread or a signal
// handler) or until the last item has gone out; Close() (also from the destructor)
// removes the COM port (leaves the air) again.
//
// The gauge waits while nobody has the port open (no connection is up) and sends only to
// an open port, so a program that opens the port late still gets every item. An infrared
// gauge takes the next connection when one ends.
//
// Threads: Open, Run and Close belong to one thread; Stop, StopFd and Stats may be used
// from any thread while Run is going.
#include "tools/gauge_sim/BluetoothGauge.h"
#include "tools/gauge_sim/IrDAGauge.h"
#include "tools/gauge_sim/SimOptions.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dabrix::tools {

struct SimStats {
    long long itemsSent = 0;   // lines, readings or telegrams
    long long enqs = 0;        // ENQ bytes received as polls
    long long prompts = 0;     // "\r\n> " answers
    long long acksOk = 0;      // KTX acknowledgements that matched
    long long acksBad = 0;     // wrong frame, address, checksum or sequence; NAKs
    long long acksMissing = 0; // none within the time-out
    long long telegramsIn = 0; // KTX data telegrams from the program
    long long spoiled = 0;     // telegrams sent spoiled on purpose (--bad-checksum, ...)
    long long spoiledAcked = 0;// acknowledgements that came for one of them
    int portBaud = 0;          // the rate the program set on the port (0: not known yet)
    bool peerOpen = false;     // the port is open on the other side now
    Bytes received;            // everything that arrived, in order
    std::vector<std::string> events;  // "ack OK 21", "ack bad: checksum ...", ...
};

class GaugeSimulator {
public:
    explicit GaugeSimulator(SimOptions options);
    ~GaugeSimulator();
    GaugeSimulator(const GaugeSimulator&) = delete;
    GaugeSimulator& operator=(const GaugeSimulator&) = delete;

    // Creates the pseudo-terminal, applies the rate and registers the COM port.
    // Returns the COM number, or 0 with ErrorText() set. An infrared gauge enters the
    // air instead and returns -1 (0 on failure).
    int Open();
    int ComNumber() const { return comNumber_; }
    // What the program finds the gauge by: "COM5", or the infrared address "(1A:2B:3C:4D)".
    std::string LinkName() const;
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& ErrorText() const { return error_; }

    void Run();
    void Stop();
    // Becomes readable once Stop() was called; a signal handler may write to it.
    int StopFd() const { return stopFd_; }

    // Unregisters the COM port and closes the terminal. Safe to call more than once.
    void Close();

    SimStats Stats() const;
    // True when every telegram sent so far was acknowledged well, and no spoiled one was.
    bool AcksAllOk() const;

private:
    using Clock = std::chrono::steady_clock;

    int OpenIrDA();
    int OpenBluetooth();
    // The link is a socket connection (infrared or Bluetooth), not a pty.
    bool SocketLink() const { return options_.irda || options_.bluetooth; }
    void DropLink();
    bool PeerPresent();
    void PeerClosed();
    ssize_t WriteLink(const std::uint8_t* data, size_t size);
    void OnPeerOpened();
    void OnBytes(const std::uint8_t* data, size_t count);
    void OnKtxFrame(const Bytes& frame);
    void OnEnq();
    bool ItemsLeft() const;
    void SendNextItem();
    void CheckPortRate();
    // The time between two items sent by the timer.
    std::chrono::milliseconds SendGap() const;
    // No acknowledgement came within the time-out: missing, unless none was due.
    void AckTimedOut();
    // Writes all bytes (paced when asked); false when the port went away or Stop() came.
    bool Send(const Bytes& bytes);
    bool WaitWritable();
    bool StopRequested() const;
    void Log(const std::string& text, bool event = false);

    SimOptions options_;
    int master_ = -1;                     // the pty's master side, or the infrared connection
    IrDAGauge irda_;
    std::string irdaClientAir_;  // the air an IrDA client gauge connects in; empty otherwise
    BluetoothGauge bluetooth_;
    bool dropped_ = false;                // the Bluetooth link was dropped on purpose
    int stopFd_ = -1;
    std::string slavePath_;
    std::string error_;
    int comNumber_ = 0;
    std::FILE* log_ = nullptr;
    bool ownLog_ = false;

    // Run state, touched by the Run thread only.
    bool peer_ = false;
    long long nextItem_ = 0;
    std::optional<Clock::time_point> nextSend_;
    std::uint8_t sequence_ = 0x20;        // the gauge's control byte, first 0x21
    std::optional<Clock::time_point> ackDeadline_;
    std::optional<std::uint8_t> lastAckSequence_;
    bool awaitingSpoiled_ = false;        // the telegram out was spoiled: no ack is due
    std::uint8_t replySequence_ = 0x20;   // for acknowledging the program's telegrams
    Bytes frame_;                         // KTX frame being collected
    bool inFrame_ = false;

    mutable std::mutex mutex_;            // guards stats_
    SimStats stats_;
};

} // namespace dabrix::tools
