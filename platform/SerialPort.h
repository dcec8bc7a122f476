#pragma once
// A serial port (a tty) in raw mode.
//
// Open takes the port for this process alone: TIOCEXCL keeps other openers out (except
// privileged ones) and an exclusive flock keeps out every opener that asks for the
// lock as well. Reads wait with poll(), optionally together with a cancel descriptor
// (an eventfd), so a reader thread stops promptly.
//
// Errors are errno values (0 = success); the caller turns them into its own codes.
//
// Threading: Open, Configure, Close and the line commands belong to one thread (the
// owner). While the port is open, one other thread may Read at the same time as the
// owner writes or drives the lines; Close only after that reader has stopped.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct termios;

namespace dabrix::platform {

enum class SerialParity { None, Odd, Even, Mark, Space };
enum class SerialStopBits { One, OnePointFive, Two };

struct SerialSettings {
    uint32_t BaudRate = 115200;  // any rate the driver accepts, not only the standard ones
    int DataBits = 8;            // 5 to 8
    SerialParity Parity = SerialParity::None;
    // Linux knows one or two stop bits; 1.5 (used with 5 data bits) is sent as two.
    SerialStopBits StopBits = SerialStopBits::One;

    bool operator==(const SerialSettings&) const = default;
};

enum class SerialLine { Dtr, Rts };

struct SerialReadResult {
    enum class Status {
        Data,       // `count` bytes were read
        Idle,       // nothing arrived within the wait
        Cancelled,  // the cancel descriptor became readable
        Closed,     // the device hung up or went away
        Failed,     // another error, in `error`
    };
    Status status = Status::Idle;
    size_t count = 0;
    int error = 0;
};

// A read time-out of the kind serial drivers offer: once a byte has come, the read goes
// on while further bytes follow within `interval`, and ends when the line has been quiet
// that long, when the buffer is full, or when `total` has passed since the first byte. A
// zero interval ends the read with the first bytes there.
struct SerialReadInterval {
    std::chrono::microseconds interval{0};
    std::chrono::microseconds total{0};
};

// The interval for a line with these settings: three characters' time, and at least 2 ms
// (a line of a gauge at 115200 baud, whose bytes come one by one, is one read); the whole
// read at most 50 ms, or one interval where that is longer.
SerialReadInterval ReadIntervalFor(const SerialSettings& settings);

// Pacing for a reader that hands what it reads to another thread. While a stream is
// steady (reads with data follow each other within `beat` and the port has not been
// written to in between), the reader stops waking for every line: it sleeps a beat, then
// takes all that came meanwhile in one read. So a gauge sending 100 lines a second wakes
// the reader, and whoever it hands the bytes to, once a beat rather than once a line, and
// a byte waits at most one beat. Only a slow stream is paced: two reads in a row of at most a quarter of
// the buffer each, and a beat that brings no more than that. A faster sender (a burst, a
// fast gauge) is read as it comes, since a device that is not read is held back (a
// pseudo-terminal, flow control) or overflows. The sleep ends at once when the port is
// written to (the gauge waits for an answer, an echo or a poll). A hold that finds nothing
// ends the pacing: the next byte wakes the reader at once again.
struct SerialPace {
    std::chrono::milliseconds beat{0};  // 0: no pacing
    // The reader's own state between reads.
    bool holding = false;
    std::chrono::steady_clock::time_point lastData{};
    size_t lastCount = 0;
    uint64_t writesSeen = 0;
};

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort() { Close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens `path` for reading and writing, exclusively. EBUSY when another user holds
    // it, ENOTTY when it is not a terminal device.
    int Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Raw mode with the given line settings. Hardware flow control stays as the port had
    // it; software flow control and every byte translation are switched off, so all 256
    // byte values pass unchanged.
    int Configure(const SerialSettings& settings);
    // The settings the port has now (read back from the driver).
    std::optional<SerialSettings> CurrentSettings() const;

    // Discards what is waiting in both directions.
    int Purge();

    // Raises (on) or drops a modem-control line. A device without modem lines (a
    // pseudo-terminal) answers ENOTTY or EINVAL.
    int SetLine(SerialLine line, bool on);
    int SetBreak(bool on);
    // Holds (true) or releases transmission, as if XOFF / XON had been received.
    int SuspendOutput(bool suspended);

    // Waits up to `waitMs` (negative: no limit) for data, then reads what is waiting, at
    // most `size` bytes. With the default wait a call returns within about 2 ms on an
    // idle line. `cancelFd`, when not -1, ends the wait with Cancelled once it is readable
    // (it is not read).
    SerialReadResult Read(void* buffer, size_t size, int waitMs = 2, int cancelFd = -1);
    // Like Read, but once data is there it goes on reading as `gather` says, so bytes that
    // arrive one by one come back together. Cancelled or hung up meanwhile, it returns
    // what it has; the next call reports that.
    SerialReadResult Read(void* buffer, size_t size, const SerialReadInterval& gather, int waitMs, int cancelFd);
    // Like Read with `gather` and no time limit, paced as `pace` says. One thread at a
    // time may read paced; `pace` is its own.
    SerialReadResult ReadPaced(void* buffer, size_t size, const SerialReadInterval& gather, SerialPace& pace,
                               int cancelFd);

    // Writes all bytes, waiting while the driver's queue is full. ETIMEDOUT when the port
    // has accepted nothing for `stallMs`; `written` tells how far it got.
    int Write(const void* data, size_t size, int stallMs, size_t* written = nullptr);

private:
    // Sleeps one beat unless the port is written to meanwhile (or was since the last
    // data). True when the beat passed, false when a write ended it; Cancelled in
    // `cancelled`.
    bool HoldOneBeat(const SerialPace& pace, int cancelFd, bool& cancelled);

    int fd_ = -1;
    // Tells a paced reader that the port was written to (an eventfd; -1 without pacing).
    int writeSignal_ = -1;
    std::atomic<uint64_t> writes_{0};
    std::atomic<bool> readerAsleep_{false};  // a paced reader sleeps through a beat
};

// How settings become terminal flags, on top of what the port had: raw mode, the
// framing of `settings`, hardware flow control kept. EINVAL for data bits outside 5..8.
// (The rate goes through termios2 separately.) A pseudo-terminal forces 8 data bits
// and no parity whatever it is given, so tests check the flags here.
int ApplySerialSettings(termios& tio, const SerialSettings& settings);
// The framing the flags describe, with `baudRate` as the rate.
SerialSettings SerialSettingsOf(const termios& tio, uint32_t baudRate);

} // namespace dabrix::platform
