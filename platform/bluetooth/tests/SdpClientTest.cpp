// The SDP service search-attribute transaction: request and response PDUs written out
// by hand, and the exchange against a small SDP server on the other end of a packet socket
// pair (it serves its attribute lists in parts with a continuation state, as a device
// whose MTU is small does).
#include "platform/bluetooth/SdpClient.h"
#include "platform/bluetooth/SdpDataElement.h"
#include "platform/bluetooth/tests/SdpBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

using dabrix::platform::BluetoothResult;
using dabrix::test::B;
using dabrix::test::Bytes;
namespace sdp = dabrix::platform::sdp;
using namespace std::chrono_literals;

namespace {

const QUuid kSerialPort = sdp::BaseUuid(0x1101);

uint16_t Be16(const Bytes& b, size_t at) { return static_cast<uint16_t>((b[at] << 8) | b[at + 1]); }

Bytes Pdu(uint8_t id, uint16_t transaction, const Bytes& params)
{
    Bytes pdu{id, static_cast<uint8_t>(transaction >> 8), static_cast<uint8_t>(transaction),
              static_cast<uint8_t>(params.size() >> 8), static_cast<uint8_t>(params.size())};
    pdu.insert(pdu.end(), params.begin(), params.end());
    return pdu;
}

// An SDP server for one client. By default it answers each search-attribute request with
// the next `chunk` bytes of its attribute lists and, while bytes are left, a two-byte
// continuation state holding the offset; a request whose continuation state is not the
// one it gave gets the error "invalid continuation state" (5). `answer` replaces that:
// nothing means no reply, an empty PDU that the server hangs up.
class FakeSdpServer {
public:
    using Answer = std::function<std::optional<Bytes>(const Bytes& request)>;

    FakeSdpServer(Bytes lists, size_t chunk, Answer answer = {})
        : lists_(std::move(lists)), chunk_(chunk), answer_(std::move(answer))
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
            throw std::runtime_error("socketpair");
        client_ = fds[0];
        server_ = fds[1];
        thread_ = std::thread([this] { Serve(); });
    }

    ~FakeSdpServer()
    {
        CloseClient();
        thread_.join();
        ::close(server_);
    }

    int ClientFd() const { return client_; }
    void CloseClient()
    {
        if (client_ >= 0)
            ::close(std::exchange(client_, -1));
    }

    std::vector<Bytes> Requests()
    {
        std::lock_guard guard(lock_);
        return requests_;
    }

private:
    void Serve()
    {
        Bytes buffer(70000);
        for (;;) {
            const ssize_t n = ::recv(server_, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                return;
            const Bytes request(buffer.begin(), buffer.begin() + n);
            {
                std::lock_guard guard(lock_);
                requests_.push_back(request);
            }
            const std::optional<Bytes> reply = answer_ ? answer_(request) : Standard(request);
            if (reply && reply->empty()) {
                ::shutdown(server_, SHUT_RDWR);
                return;
            }
            if (reply)
                ::send(server_, reply->data(), reply->size(), MSG_NOSIGNAL);
        }
    }

    Bytes Standard(const Bytes& request)
    {
        const uint16_t transaction = Be16(request, 1);
        // The request ends in its continuation state: a length byte and that many bytes.
        const Bytes expected = sent_ == 0 ? Bytes{0x00} : Bytes{0x02, static_cast<uint8_t>(sent_ >> 8), static_cast<uint8_t>(sent_)};
        if (request.size() < expected.size() ||
            !std::equal(expected.begin(), expected.end(), request.end() - static_cast<long>(expected.size())))
            return Pdu(sdp::kPduErrorResponse, transaction, B({0x00, 0x05}));
        const size_t offset = sent_;
        const size_t count = std::min(chunk_, lists_.size() - offset);
        sent_ = offset + count;
        Bytes params;
        params.reserve(count + 5);
        params.push_back(static_cast<uint8_t>(count >> 8));
        params.push_back(static_cast<uint8_t>(count));
        params.insert(params.end(), lists_.begin() + offset, lists_.begin() + offset + count);
        if (sent_ < lists_.size()) {
            params.insert(params.end(), {0x02, static_cast<uint8_t>(sent_ >> 8), static_cast<uint8_t>(sent_)});
        } else {
            params.push_back(0x00);
        }
        return Pdu(sdp::kPduServiceSearchAttributeResponse, transaction, params);
    }

    Bytes lists_;
    size_t chunk_;
    size_t sent_ = 0;
    Answer answer_;
    int client_ = -1;
    int server_ = -1;
    std::mutex lock_;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

BluetoothResult Search(int fd, Bytes& lists, std::chrono::milliseconds limit = 5s, int cancelFd = -1)
{
    std::vector<uint8_t> out;
    const auto r = sdp::ServiceSearchAttribute(fd, kSerialPort, out, std::chrono::steady_clock::now() + limit, cancelFd);
    lists = out;
    return r;
}

// Two serial port records, as attribute lists.
Bytes TwoRecords()
{
    using E = sdp::DataElement;
    auto record = [](uint32_t handle, uint8_t channel, const char* name) {
        return E::Sequence({E::UInt16(0), E::UInt32(handle), E::UInt16(1), E::Sequence({E::Uuid16(0x1101)}),
                            E::UInt16(4),
                            E::Sequence({E::Sequence({E::Uuid16(0x0100)}), E::Sequence({E::Uuid16(3), E::UInt8(channel)})}),
                            E::UInt16(0x100), E::Text(name)});
    };
    return sdp::Encode(E::Sequence({record(0x10000, 1, "Serial Port"), record(0x10001, 2, "Second port")}));
}

TEST(SdpRequest, AsksForEveryAttributeOfTheRecordsWithTheUuid)
{
    EXPECT_EQ(sdp::ServiceSearchAttributeRequest(1, kSerialPort, 0xFFFF, {}),
              B({0x06, 0x00, 0x01, 0x00, 0x0F,        // search-attribute request, transaction 1, 15 bytes
                 0x35, 0x03, 0x19, 0x11, 0x01,        // pattern: { UUID16 0x1101 }
                 0xFF, 0xFF,                          // at most 65535 attribute bytes per response
                 0x35, 0x05, 0x0A, 0x00, 0x00, 0xFF, 0xFF, // attribute ids: { uint32 range 0x0000-0xFFFF }
                 0x00}));                             // no continuation state

    const QUuid vendor = QUuid::fromString(QStringLiteral("{8C3A1F20-5B7E-4D11-9A3C-0123456789AB}"));
    EXPECT_EQ(sdp::ServiceSearchAttributeRequest(0x1234, vendor, 0x0200, {0xAB, 0xCD}),
              B({0x06, 0x12, 0x34, 0x00, 0x1F,        // transaction 0x1234, 31 bytes
                 0x35, 0x11, 0x1C, 0x8C, 0x3A, 0x1F, 0x20, 0x5B, 0x7E, 0x4D, 0x11, 0x9A, 0x3C, 0x01, 0x23, 0x45,
                 0x67, 0x89, 0xAB,                    // pattern: { UUID128 }
                 0x02, 0x00,                          // at most 512 bytes
                 0x35, 0x05, 0x0A, 0x00, 0x00, 0xFF, 0xFF,
                 0x02, 0xAB, 0xCD}));                 // the continuation state the server gave
}

TEST(SdpResponse, ReadsPartsErrorsAndRefusesMalformedPdus)
{
    const struct {
        const char* what;
        Bytes pdu;
        uint16_t max;
        sdp::ResponseKind kind;
        Bytes bytes;
        Bytes continuation;
        uint16_t error;
    } cases[] = {
        {"last part", B({0x07, 0x00, 0x01, 0x00, 0x05, 0x00, 0x02, 0x35, 0x00, 0x00}), 0xFFFF,
         sdp::ResponseKind::Attributes, B({0x35, 0x00}), {}, 0},
        {"part with continuation", B({0x07, 0x00, 0x01, 0x00, 0x07, 0x00, 0x02, 0x35, 0x10, 0x02, 0x00, 0x05}), 0xFFFF,
         sdp::ResponseKind::Attributes, B({0x35, 0x10}), B({0x00, 0x05}), 0},
        {"error response", B({0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}), 0xFFFF, sdp::ResponseKind::Error, {}, {}, 3},
        {"other transaction", B({0x07, 0x00, 0x02, 0x00, 0x05, 0x00, 0x02, 0x35, 0x00, 0x00}), 0xFFFF,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"parameter length too long", B({0x07, 0x00, 0x01, 0x00, 0x06, 0x00, 0x02, 0x35, 0x00, 0x00}), 0xFFFF,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"parameter length too short", B({0x07, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02, 0x35, 0x00, 0x00}), 0xFFFF,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"byte count beyond the parameters", B({0x07, 0x00, 0x01, 0x00, 0x05, 0x00, 0x09, 0x35, 0x00, 0x00}), 0xFFFF,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"more bytes than asked for", B({0x07, 0x00, 0x01, 0x00, 0x05, 0x00, 0x02, 0x35, 0x00, 0x00}), 1,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"continuation state over 16 bytes",
         B({0x07, 0x00, 0x01, 0x00, 0x14, 0x00, 0x00, 0x11, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}),
         0xFFFF, sdp::ResponseKind::Malformed, {}, {}, 0},
        {"continuation state cut", B({0x07, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x02, 0x00}), 0xFFFF,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"another PDU", B({0x05, 0x00, 0x01, 0x00, 0x01, 0x00}), 0xFFFF, sdp::ResponseKind::Malformed, {}, {}, 0},
        {"error response without a code", B({0x01, 0x00, 0x01, 0x00, 0x01, 0x00}), 0xFFFF,
         sdp::ResponseKind::Malformed, {}, {}, 0},
        {"header cut", B({0x07, 0x00, 0x01}), 0xFFFF, sdp::ResponseKind::Malformed, {}, {}, 0},
    };
    for (const auto& c : cases) {
        sdp::AttributeResponse r;
        EXPECT_EQ(sdp::ReadServiceSearchAttributeResponse(c.pdu.data(), c.pdu.size(), 1, c.max, r), c.kind) << c.what;
        EXPECT_EQ(r.Bytes, c.bytes) << c.what;
        EXPECT_EQ(r.Continuation, c.continuation) << c.what;
        EXPECT_EQ(r.ErrorCode, c.error) << c.what;
    }
}

TEST(SdpExchange, CollectsEveryPartWithTheServersContinuationState)
{
    const Bytes lists = TwoRecords();
    FakeSdpServer server(lists, 7);
    Bytes got;
    ASSERT_EQ(Search(server.ClientFd(), got), BluetoothResult::Ok);
    EXPECT_EQ(got, lists);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), (lists.size() + 6) / 7);
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i][0], sdp::kPduServiceSearchAttributeRequest);
        EXPECT_EQ(Be16(requests[i], 1), i + 1) << "a new transaction id per request";
        // Pattern { UUID16 0x1101 } right after the header.
        EXPECT_EQ(Bytes(requests[i].begin() + 5, requests[i].begin() + 10), B({0x35, 0x03, 0x19, 0x11, 0x01}));
    }
    EXPECT_FALSE(sdp::HoldsNoRecord(got));
}

TEST(SdpExchange, AnEmptyAnswerHoldsNoRecord)
{
    FakeSdpServer server(B({0x35, 0x00}), 100);
    Bytes got;
    ASSERT_EQ(Search(server.ClientFd(), got), BluetoothResult::Ok);
    EXPECT_TRUE(sdp::HoldsNoRecord(got));
    EXPECT_FALSE(sdp::HoldsNoRecord(B({0x35, 0x05, 0x35, 0x03, 0x09, 0x00})));  // damaged, not empty
}

TEST(SdpExchange, FailsOnAnswersItCannotUse)
{
    const Bytes lists = TwoRecords();
    const struct {
        const char* what;
        FakeSdpServer::Answer answer;
    } cases[] = {
        {"error response", [](const Bytes& rq) { return Pdu(sdp::kPduErrorResponse, Be16(rq, 1), B({0x00, 0x06})); }},
        {"wrong transaction",
         [](const Bytes& rq) {
             return Pdu(sdp::kPduServiceSearchAttributeResponse, Be16(rq, 1) + 1, B({0x00, 0x02, 0x35, 0x00, 0x00}));
         }},
        {"hang-up after the request", [](const Bytes&) { return Bytes{}; }},
        {"endless parts that add nothing",
         [](const Bytes& rq) {
             return Pdu(sdp::kPduServiceSearchAttributeResponse, Be16(rq, 1), B({0x00, 0x00, 0x01, 0x07}));
         }},
        {"endless parts past the size limit",
         [](const Bytes& rq) {
             Bytes params{0x03, 0xE8};
             params.insert(params.end(), 1000, 0x08);
             params.insert(params.end(), {0x01, 0x07});
             return Pdu(sdp::kPduServiceSearchAttributeResponse, Be16(rq, 1), params);
         }},
    };
    for (const auto& c : cases) {
        FakeSdpServer server(lists, 7, c.answer);
        Bytes got;
        EXPECT_EQ(Search(server.ClientFd(), got), BluetoothResult::Failed) << c.what;
    }
}

TEST(SdpExchange, EndsAtTheDeadlineOrTheCancelDescriptor)
{
    {
        FakeSdpServer silent(TwoRecords(), 7, [](const Bytes&) { return std::nullopt; });
        Bytes got;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Search(silent.ClientFd(), got, 200ms), BluetoothResult::TimedOut);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    }
    {
        FakeSdpServer silent(TwoRecords(), 7, [](const Bytes&) { return std::nullopt; });
        const int cancel = ::eventfd(0, EFD_CLOEXEC);
        ASSERT_GE(cancel, 0);
        std::thread canceller([cancel] {
            std::this_thread::sleep_for(50ms);
            const uint64_t one = 1;
            (void)::write(cancel, &one, sizeof one);
        });
        Bytes got;
        EXPECT_EQ(Search(silent.ClientFd(), got, 30s, cancel), BluetoothResult::Cancelled);
        canceller.join();
        ::close(cancel);
    }
}

} // namespace
