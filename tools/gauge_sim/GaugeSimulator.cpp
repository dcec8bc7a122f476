#include "tools/gauge_sim/GaugeSimulator.h"

#include "platform/ComPortMap.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace dabrix::tools {

namespace {

using namespace std::chrono_literals;

// How often a gauge without a peer looks whether the port has been opened.
constexpr auto PeerCheckPeriod = 20ms;
// A program that has just opened the port still sets it up and empties its buffers; what
// is sent before then is lost, so a gauge's first item waits at least this long.
constexpr auto PeerSettleTime = 150ms;

struct Rate {
    int baud;
    speed_t code;
};
constexpr Rate Rates[] = {
    {50, B50},       {75, B75},       {110, B110},     {134, B134},       {150, B150},
    {200, B200},     {300, B300},     {600, B600},     {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::optional<speed_t> SpeedCode(int baud)
{
    for (const Rate& r : Rates)
        if (r.baud == baud)
            return r.code;
    return std::nullopt;
}

int BaudOf(speed_t code)
{
    for (const Rate& r : Rates)
        if (r.code == code)
            return r.baud;
    return 0;
}

int MillisUntil(std::chrono::steady_clock::time_point when)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

const Bytes Prompt{'\r', '\n', '>', ' '};

} // namespace

GaugeSimulator::GaugeSimulator(SimOptions options)
    : options_(std::move(options))
{
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!options_.logFile.empty()) {
        log_ = std::fopen(options_.logFile.c_str(), "ae");
        ownLog_ = log_ != nullptr;
    }
    if (!log_)
        log_ = stderr;
}

GaugeSimulator::~GaugeSimulator()
{
    Close();
    if (stopFd_ >= 0)
        ::close(stopFd_);
    if (ownLog_)
        std::fclose(log_);
}

int GaugeSimulator::Open()
{
    if (options_.irda)
        return OpenIrDA();
    if (options_.bluetooth)
        return OpenBluetooth();
    if (master_ >= 0)
        return comNumber_;
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error_ = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        Close();
        return 0;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error_ = "cannot name the pseudo-terminal";
        Close();
        return 0;
    }
    slavePath_ = name;
    // A slave side that was never opened does not report a hang-up on the master. Open
    // and close it once, so "nobody has the port open" looks the same before the first
    // open and after a close.
    if (const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC); slave >= 0)
        ::close(slave);

    // Raw bytes at the chosen rate: no echo, no line editing, no CR/LF translation until
    // the program sets its own mode. Settings made on the master apply to the slave.
    termios tio {};
    if (::tcgetattr(master_, &tio) == 0) {
        ::cfmakeraw(&tio);
        if (const auto code = SpeedCode(options_.baud))
            ::cfsetspeed(&tio, *code);
        ::tcsetattr(master_, TCSANOW, &tio);
    }

    platform::ComPortMap map(options_.configFolder.empty() ? platform::ConfigFolder()
                                                           : options_.configFolder);
    comNumber_ = map.Register(slavePath_);
    if (comNumber_ == 0) {
        error_ = "cannot register " + slavePath_ + " in " + map.FilePath();
        Close();
        return 0;
    }
    Log("COM" + std::to_string(comNumber_) + " is " + slavePath_ + " at " + std::to_string(options_.baud)
        + " baud");
    return comNumber_;
}

int GaugeSimulator::OpenIrDA()
{
    if (irda_.ListenFd() >= 0 || !irdaClientAir_.empty())
        return -1;
    std::string air = options_.irdaDir;
    if (air.empty())
        if (const char* env = std::getenv("DABRIX_IRDA_DIR"))
            air = env;
    if (air.empty()) {
        error_ = "no infrared air: give --irda-dir or set DABRIX_IRDA_DIR";
        return 0;
    }
    if (options_.irdaClient) {
        irdaClientAir_ = air;
        Log("connects to " + std::string(IrDAGauge::kService) + " in " + air);
        return -1;
    }
    if (!irda_.Create(air, options_.irdaId, options_.irdaName, error_))
        return 0;
    Log(irda_.Address() + " \"" + options_.irdaName + "\" offers " + IrDAGauge::kService + " in " + air);
    return -1;
}

int GaugeSimulator::OpenBluetooth()
{
    if (bluetooth_.ListenFd() >= 0)
        return -1;
    BluetoothGaugeSettings settings;
    settings.folder = options_.btDir;
    if (settings.folder.empty())
        if (const char* env = std::getenv("DABRIX_BT_SIM"))
            settings.folder = env;
    if (settings.folder.empty()) {
        error_ = "no Bluetooth stack: give --bt-dir or set DABRIX_BT_SIM";
        return 0;
    }
    settings.address = options_.btAddress;
    settings.name = options_.btName;
    settings.classOfDevice = options_.btClass;
    settings.channel = options_.btChannel;
    settings.emptyNames = options_.btEmptyNames;
    if (!bluetooth_.Create(settings, error_))
        return 0;
    Log(bluetooth_.Address() + " \"" + options_.btName + "\" offers RFCOMM channel "
        + std::to_string(options_.btChannel) + " in " + settings.folder);
    return -1;
}

std::string GaugeSimulator::LinkName() const
{
    if (options_.bluetooth)
        return bluetooth_.Address();
    if (options_.irdaClient)
        return std::string("client of ") + IrDAGauge::kService;
    return options_.irda ? irda_.Address() : "COM" + std::to_string(comNumber_);
}

void GaugeSimulator::Close()
{
    irda_.Remove();
    irdaClientAir_.clear();
    bluetooth_.Remove();
    if (comNumber_ != 0) {
        platform::ComPortMap map(options_.configFolder.empty() ? platform::ConfigFolder()
                                                               : options_.configFolder);
        // Only our own line: the number may have gone to someone else meanwhile.
        if (map.NumberOfPath(slavePath_) == comNumber_)
            map.Unregister(comNumber_);
        comNumber_ = 0;
    }
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

void GaugeSimulator::Stop()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
}

bool GaugeSimulator::StopRequested() const
{
    pollfd p{stopFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

SimStats GaugeSimulator::Stats() const
{
    std::lock_guard lock(mutex_);
    return stats_;
}

bool GaugeSimulator::AcksAllOk() const
{
    std::lock_guard lock(mutex_);
    return stats_.acksBad == 0 && stats_.acksMissing == 0 && stats_.spoiledAcked == 0;
}

void GaugeSimulator::Log(const std::string& text, bool event)
{
    if (event) {
        std::lock_guard lock(mutex_);
        stats_.events.push_back(text);
    }
    std::fprintf(log_, "gauge-sim: %s\n", text.c_str());
    std::fflush(log_);
}

bool GaugeSimulator::PeerPresent()
{
    if (SocketLink()) {
        if (master_ < 0)
            master_ = options_.irdaClient ? IrDAGauge::ConnectToService(irdaClientAir_)
                      : options_.irda     ? irda_.Accept()
                                          : bluetooth_.Accept();
        return master_ >= 0;
    }
    // While nobody has the slave open, the master reports a hang-up.
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

void GaugeSimulator::PeerClosed()
{
    // A socket gauge waits for the next connection; a pty stays as it is.
    if (SocketLink() && master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

ssize_t GaugeSimulator::WriteLink(const std::uint8_t* data, size_t size)
{
    if (SocketLink())
        return ::send(master_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    return ::write(master_, data, size);
}

void GaugeSimulator::OnPeerOpened()
{
    peer_ = true;
    {
        std::lock_guard lock(mutex_);
        stats_.peerOpen = true;
    }
    Log("port opened", true);
    if (!options_.onEnq && options_.source != SimSource::None)
        nextSend_ = Clock::now() + std::max<Clock::duration>(SendGap(), PeerSettleTime);
}

bool GaugeSimulator::ItemsLeft() const
{
    switch (options_.source) {
    case SimSource::None:
        return false;
    case SimSource::Generate:
        return !options_.count || nextItem_ < *options_.count;
    case SimSource::Lines:
    case SimSource::Ktx:
        return nextItem_ < options_.count.value_or(static_cast<long long>(options_.items.size()));
    }
    return false;
}

void GaugeSimulator::CheckPortRate()
{
    if (SocketLink())
        return;  // an infrared or Bluetooth link has no line rate
    termios tio {};
    if (::tcgetattr(master_, &tio) != 0)
        return;
    const int rate = BaudOf(::cfgetispeed(&tio));
    std::lock_guard lock(mutex_);
    if (rate == stats_.portBaud)
        return;
    stats_.portBaud = rate;
    if (rate != options_.baud) {
        const std::string text = "port set to " + std::to_string(rate) + " baud, the gauge sends at "
                                 + std::to_string(options_.baud);
        stats_.events.push_back(text);
        std::fprintf(log_, "gauge-sim: %s\n", text.c_str());
        std::fflush(log_);
    }
}

void GaugeSimulator::SendNextItem()
{
    if (!ItemsLeft())
        return;
    const long long index = nextItem_++;
    Bytes bytes;
    if (options_.source == SimSource::Generate) {
        const std::string text = GeneratedReading(index);
        bytes.assign(text.begin(), text.end());
    } else {
        bytes = options_.items[static_cast<size_t>(index) % options_.items.size()];
    }

    if (options_.source == SimSource::Ktx) {
        if (ackDeadline_)
            AckTimedOut();
        sequence_ = sequence_ >= 0x7F ? 0x21 : static_cast<std::uint8_t>(sequence_ + 1);
        const KtxSpoil spoil = KtxSpoilOf(options_, index + 1);
        bytes = KtxSpoiledTelegram(options_, sequence_, bytes, spoil);
        awaitingSpoiled_ = spoil.Any();
        if (awaitingSpoiled_) {
            std::lock_guard lock(mutex_);
            ++stats_.spoiled;
        }
        ackDeadline_ = Clock::now() + std::chrono::milliseconds(options_.ackTimeoutMs);
    } else if (options_.crlf) {
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    CheckPortRate();
    if (Send(bytes)) {
        long long sent;
        {
            std::lock_guard lock(mutex_);
            sent = ++stats_.itemsSent;
        }
        if (options_.bluetooth && options_.btDropAfter > 0 && !dropped_ && sent == options_.btDropAfter)
            DropLink();
    }
}

void GaugeSimulator::DropLink()
{
    // Like a gauge that falls asleep: the link goes, the device stays in range.
    dropped_ = true;
    peer_ = false;
    {
        std::lock_guard lock(mutex_);
        stats_.peerOpen = false;
    }
    Log("link dropped", true);
    PeerClosed();
}

void GaugeSimulator::OnEnq()
{
    {
        std::lock_guard lock(mutex_);
        ++stats_.enqs;
    }
    if (options_.onEnq && ItemsLeft()) {
        SendNextItem();
    } else if (options_.prompt) {
        if (Send(Prompt)) {
            std::lock_guard lock(mutex_);
            ++stats_.prompts;
        }
    }
}

void GaugeSimulator::OnBytes(const std::uint8_t* data, size_t count)
{
    const Bytes chunk(data, data + count);
    Log("<- " + HexBytes(chunk));
    {
        std::lock_guard lock(mutex_);
        stats_.received.insert(stats_.received.end(), chunk.begin(), chunk.end());
    }
    if (options_.echo)
        Send(chunk);

    for (std::uint8_t b : chunk) {
        if (options_.source != SimSource::Ktx) {
            if (b == ktx::Enq)
                OnEnq();
            continue;
        }
        // KTX: frames run from a start byte to an end byte (0x04 or 0x05); an ENQ
        // between frames is a poll.
        if (!inFrame_) {
            if (b == ktx::Enq)
                OnEnq();
            else if (ktx::IsStartByte(b)) {
                inFrame_ = true;
                frame_.assign(1, b);
            }
            continue;
        }
        if (frame_.size() < 255)
            frame_.push_back(b);
        if (b == ktx::End || b == ktx::Enq) {
            inFrame_ = false;
            OnKtxFrame(frame_);
        }
    }
}

void GaugeSimulator::OnKtxFrame(const Bytes& frame)
{
    const auto info = ParseKtxFrame(frame);
    const std::uint8_t ownAddress = options_.subAdr ? static_cast<std::uint8_t>(options_.gaugeAdr | 0x80)
                                                    : options_.gaugeAdr;
    auto bad = [&](const std::string& why) {
        {
            std::lock_guard lock(mutex_);
            ++stats_.acksBad;
        }
        Log("ack bad (" + why + "): " + HexBytes(frame), true);
    };

    if (frame[0] == ktx::Ack || frame[0] == ktx::Nak) {
        if (!ackDeadline_) {
            bad("no telegram waits for one");
            return;
        }
        ackDeadline_.reset();
        if (awaitingSpoiled_) {
            awaitingSpoiled_ = false;
            if (frame[0] == ktx::Nak) {
                Log("NAK for the spoiled telegram", true);
                return;
            }
            // The program took a broken telegram (or one for someone else) as good. Its
            // sequence character moved on all the same.
            if (info)
                lastAckSequence_ = info->control;
            {
                std::lock_guard lock(mutex_);
                ++stats_.spoiledAcked;
            }
            Log("ack for a spoiled telegram: " + HexBytes(frame), true);
            return;
        }
        if (!info) {
            bad("too short");
            return;
        }
        if (frame[0] == ktx::Nak) {
            bad("NAK code " + std::to_string(static_cast<std::uint8_t>(info->control - 0x20)));
            return;
        }
        if (info->dest != ownAddress || info->subAdr != options_.subAdr)
            return bad("addressed to another gauge");
        if (info->source != options_.programAdr)
            return bad("not from the program's address");
        if (!info->checksumOk)
            return bad("checksum");
        if (frame.back() != ktx::End)
            return bad("end byte");
        if (info->control < 0x20 || info->control > 0x7F)
            return bad("sequence character out of range");
        // The program counts its sequence character up to 0x7F and stays there; 0x20
        // restarts it.
        if (lastAckSequence_ && info->control != 0x20
            && info->control != std::min<int>(*lastAckSequence_ + 1, 0x7F))
            return bad("sequence character does not follow");
        lastAckSequence_ = info->control;
        {
            std::lock_guard lock(mutex_);
            ++stats_.acksOk;
        }
        std::string text = "ack OK " + HexBytes(Bytes{info->control});
        if (!info->payload.empty())
            text += " with " + HexBytes(info->payload);
        Log(text, true);
        return;
    }

    // A telegram from the program.
    if (!info) {
        Log("short frame: " + HexBytes(frame), true);
        return;
    }
    if ((info->dest != ownAddress && info->dest != ktx::Broadcast)
        || (info->dest == ownAddress && info->subAdr != options_.subAdr)) {
        Log("telegram for another gauge: " + HexBytes(frame), true);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        ++stats_.telegramsIn;
    }
    Log(std::string("telegram ") + (info->checksumOk ? "" : "with bad checksum ") + HexBytes(Bytes{frame[0]})
            + " payload " + HexBytes(info->payload),
        true);
    if (frame[0] == ktx::Data && info->checksumOk) {
        // Acknowledge: to the program's address, from ours, with our sequence character.
        replySequence_ = replySequence_ >= 0x7F ? 0x7F : static_cast<std::uint8_t>(replySequence_ + 1);
        Bytes addresses{info->source, ownAddress};
        if (options_.subAdr)
            addresses.push_back(options_.subAdr);
        Send(BuildKtxFrame(ktx::Ack, addresses, replySequence_, {}, false));
    }
}

std::chrono::milliseconds GaugeSimulator::SendGap() const
{
    return std::chrono::milliseconds(options_.flood ? 0 : options_.intervalMs);
}

void GaugeSimulator::AckTimedOut()
{
    ackDeadline_.reset();
    if (awaitingSpoiled_) {
        awaitingSpoiled_ = false;
        Log("no ack for the spoiled telegram", true);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        ++stats_.acksMissing;
    }
    Log("ack missing", true);
}

bool GaugeSimulator::WaitWritable()
{
    pollfd p[2] = {{master_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
    while (true) {
        const int n = ::poll(p, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 && !(p[1].revents & POLLIN) && (p[0].revents & POLLOUT)
               && !(p[0].revents & (POLLHUP | POLLERR));
    }
}

bool GaugeSimulator::Send(const Bytes& bytes)
{
    if (bytes.empty())
        return true;
    if (options_.verbose)
        Log("-> " + HexBytes(bytes));
    // 8N1: ten bit times per byte.
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / options_.baud);
    const auto start = Clock::now();
    size_t done = 0;
    while (done < bytes.size()) {
        size_t chunk = bytes.size() - done;
        if (options_.pace) {
            const auto due = start + byteTime * static_cast<long long>(done);
            const auto wait = due - Clock::now();
            if (wait > std::chrono::nanoseconds::zero()) {
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
                const timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
                pollfd p{stopFd_, POLLIN, 0};
                if (::ppoll(&p, 1, &ts, nullptr) > 0)
                    return false;
            }
            chunk = 1;
        }
        const ssize_t n = WriteLink(bytes.data() + done, chunk);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitWritable())
                return false;
        } else {
            Log(std::string("send failed: ") + std::strerror(errno), true);
            return false;
        }
    }
    return true;
}

void GaugeSimulator::Run()
{
    if (master_ < 0 && irda_.ListenFd() < 0 && irdaClientAir_.empty() && bluetooth_.ListenFd() < 0)
        return;
    std::optional<Clock::time_point> endAt;
    std::uint8_t buffer[4096];

    while (true) {
        if (!peer_ && PeerPresent())
            OnPeerOpened();

        // Next wake-up: the timer of the next item, the acknowledgement time-out, the end.
        int timeout = -1;
        auto consider = [&timeout](const std::optional<Clock::time_point>& when) {
            if (when) {
                const int ms = MillisUntil(*when);
                timeout = timeout < 0 ? ms : std::min(timeout, ms);
            }
        };
        // A KTX gauge sends its next telegram once the last one is acknowledged (or not).
        const bool mayTimedSend = peer_ && ItemsLeft() && !ackDeadline_;
        if (mayTimedSend)
            consider(nextSend_);
        consider(ackDeadline_);
        consider(endAt);
        if (!peer_)
            timeout = timeout < 0 ? static_cast<int>(PeerCheckPeriod.count())
                                  : std::min(timeout, static_cast<int>(PeerCheckPeriod.count()));

        pollfd p[2] = {{stopFd_, POLLIN, 0}, {peer_ ? master_ : -1, POLLIN, 0}};
        const int n = ::poll(p, 2, timeout);
        if (n < 0 && errno != EINTR)
            break;
        if (p[0].revents & POLLIN)
            break;

        bool closed = peer_ && (p[1].revents & (POLLHUP | POLLERR)) && !(p[1].revents & POLLIN);
        if (peer_ && (p[1].revents & POLLIN)) {
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got > 0)
                OnBytes(buffer, static_cast<size_t>(got));
            else if (got == 0 || (errno != EAGAIN && errno != EINTR))
                closed = true;  // EIO: the last holder of the slave side closed it
        }
        if (closed) {
            peer_ = false;
            {
                std::lock_guard lock(mutex_);
                stats_.peerOpen = false;
            }
            Log("port closed", true);
            PeerClosed();
        }

        const auto now = Clock::now();
        if (peer_ && nextSend_ && now >= *nextSend_ && ItemsLeft() && !ackDeadline_) {
            SendNextItem();
            // Keep the rhythm; after a stall start a new one instead of sending a burst.
            *nextSend_ += SendGap();
            if (*nextSend_ < now)
                nextSend_ = now + SendGap();
        }
        if (ackDeadline_ && now >= *ackDeadline_)
            AckTimedOut();

        const bool finished = options_.source != SimSource::None && !ItemsLeft() && !ackDeadline_;
        if (finished && !options_.stay) {
            if (!endAt)
                endAt = now + std::chrono::milliseconds(options_.lingerMs);
            else if (now >= *endAt)
                break;
        }
    }
}

} // namespace dabrix::tools
