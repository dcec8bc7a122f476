#include "platform/bluetooth/SdpClient.h"

#include "platform/bluetooth/SdpDataElement.h"

#include <QDebug>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace dabrix::platform::sdp {
namespace {

// A server that keeps answering with continuation but no progress is cut off.
constexpr int kMaxRounds = 1024;
// The largest PDU a 16-bit parameter length allows, and a byte to spot a longer one.
constexpr size_t kReceiveBuffer = 5 + 0xFFFF + 1;

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

void PutBe16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

} // namespace

std::vector<uint8_t> ServiceSearchAttributeRequest(uint16_t transaction, const QUuid& uuid, uint16_t maxAttributeBytes,
                                                   const std::vector<uint8_t>& continuation)
{
    std::vector<uint8_t> params;
    Encode(DataElement::Sequence({DataElement::Uuid(uuid)}), params);
    PutBe16(params, maxAttributeBytes);
    Encode(DataElement::Sequence({DataElement::UInt32(0x0000FFFF)}), params);
    params.push_back(static_cast<uint8_t>(continuation.size()));
    params.insert(params.end(), continuation.begin(), continuation.end());

    std::vector<uint8_t> pdu{kPduServiceSearchAttributeRequest};
    PutBe16(pdu, transaction);
    PutBe16(pdu, static_cast<uint16_t>(params.size()));
    pdu.insert(pdu.end(), params.begin(), params.end());
    return pdu;
}

ResponseKind ReadServiceSearchAttributeResponse(const uint8_t* pdu, size_t size, uint16_t transaction,
                                                uint16_t maxAttributeBytes, AttributeResponse& response)
{
    response = AttributeResponse{};
    if (size < 5 || Be16(pdu + 1) != transaction)
        return ResponseKind::Malformed;
    const size_t length = Be16(pdu + 3);
    if (length != size - 5)
        return ResponseKind::Malformed;
    const uint8_t* p = pdu + 5;
    if (pdu[0] == kPduErrorResponse) {
        if (length < 2)
            return ResponseKind::Malformed;
        response.ErrorCode = Be16(p);
        return ResponseKind::Error;
    }
    if (pdu[0] != kPduServiceSearchAttributeResponse || length < 3)
        return ResponseKind::Malformed;
    const size_t count = Be16(p);
    if (count > maxAttributeBytes || count > length - 3)
        return ResponseKind::Malformed;
    const size_t continuation = p[2 + count];
    if (continuation > kMaxContinuation || 2 + count + 1 + continuation != length)
        return ResponseKind::Malformed;
    response.Bytes.assign(p + 2, p + 2 + count);
    response.Continuation.assign(p + 3 + count, p + 3 + count + continuation);
    return ResponseKind::Attributes;
}

BluetoothResult ServiceSearchAttribute(int fd, const QUuid& uuid, std::vector<uint8_t>& attributeLists,
                                       bt::Deadline deadline, int cancelFd)
{
    attributeLists.clear();
    std::vector<uint8_t> continuation;
    std::vector<uint8_t> buffer(kReceiveBuffer);
    for (int round = 1; round <= kMaxRounds; ++round) {
        const auto transaction = static_cast<uint16_t>(round);
        const auto request =
            ServiceSearchAttributeRequest(transaction, uuid, kMaxAttributeByteCount, continuation);
        if (const auto r = bt::WaitFor(fd, POLLOUT, deadline, cancelFd); r != BluetoothResult::Ok)
            return r;
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
            qWarning().noquote() << "Dabrix: SDP request not sent:" << std::strerror(errno);
            return BluetoothResult::Failed;
        }
        ssize_t n = -1;
        do {
            if (const auto r = bt::WaitFor(fd, POLLIN, deadline, cancelFd); r != BluetoothResult::Ok)
                return r;
            n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        } while (n < 0 && (errno == EAGAIN || errno == EINTR));
        if (n <= 0) {
            qWarning().noquote() << "Dabrix: SDP link closed:" << (n < 0 ? std::strerror(errno) : "end of stream");
            return BluetoothResult::Failed;
        }
        AttributeResponse response;
        switch (ReadServiceSearchAttributeResponse(buffer.data(), static_cast<size_t>(n), transaction,
                                                   kMaxAttributeByteCount, response)) {
        case ResponseKind::Attributes:
            break;
        case ResponseKind::Error:
            qWarning().noquote() << "Dabrix: SDP error response" << response.ErrorCode;
            return BluetoothResult::Failed;
        case ResponseKind::Malformed:
            qWarning().noquote() << "Dabrix: malformed SDP response";
            return BluetoothResult::Failed;
        }
        if (attributeLists.size() + response.Bytes.size() > kMaxAttributeListsBytes) {
            qWarning().noquote() << "Dabrix: SDP response too large";
            return BluetoothResult::Failed;
        }
        attributeLists.insert(attributeLists.end(), response.Bytes.begin(), response.Bytes.end());
        if (response.Continuation.empty())
            return BluetoothResult::Ok;
        continuation = std::move(response.Continuation);
    }
    qWarning().noquote() << "Dabrix: SDP response does not end";
    return BluetoothResult::Failed;
}

bool HoldsNoRecord(const std::vector<uint8_t>& attributeLists)
{
    std::vector<DataElement> records;
    return DecodeAttributeLists(attributeLists.data(), attributeLists.size(), records) && records.empty();
}

} // namespace dabrix::platform::sdp
