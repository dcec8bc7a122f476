#pragma once
// The client side of the SDP service search-attribute transaction: the request PDU, the
// response PDU and the exchange with continuation over a connected L2CAP (or any
// packet-preserving) socket. Responses are untrusted: their lengths are checked against
// the packet and against what was asked for.
#include "platform/bluetooth/BluetoothSockets.h"

#include <QUuid>

#include <cstdint>
#include <vector>

namespace dabrix::platform::sdp {

constexpr uint8_t kPduErrorResponse = 0x01;
constexpr uint8_t kPduServiceSearchAttributeRequest = 0x06;
constexpr uint8_t kPduServiceSearchAttributeResponse = 0x07;
constexpr size_t kMaxContinuation = 16;
// What the client asks for per response, and the most it collects in all.
constexpr uint16_t kMaxAttributeByteCount = 0xFFFF;
constexpr size_t kMaxAttributeListsBytes = 256 * 1024;

// The request for every attribute (ids 0x0000..0xFFFF) of the records containing `uuid`.
std::vector<uint8_t> ServiceSearchAttributeRequest(uint16_t transaction, const QUuid& uuid, uint16_t maxAttributeBytes,
                                                   const std::vector<uint8_t>& continuation);

struct AttributeResponse {
    std::vector<uint8_t> Bytes;        // this response's part of the attribute lists
    std::vector<uint8_t> Continuation; // empty: the last part
    uint16_t ErrorCode = 0;            // of an error response
};

enum class ResponseKind { Attributes, Error, Malformed };

// Reads one response PDU to the request with `transaction`.
ResponseKind ReadServiceSearchAttributeResponse(const uint8_t* pdu, size_t size, uint16_t transaction,
                                                uint16_t maxAttributeBytes, AttributeResponse& response);

// Runs the transaction on `fd` (one PDU per packet) and collects the whole attribute
// lists. Failed for an error response or a malformed or oversized answer.
BluetoothResult ServiceSearchAttribute(int fd, const QUuid& uuid, std::vector<uint8_t>& attributeLists,
                                       bt::Deadline deadline, int cancelFd);

// Whether attribute lists hold no record at all (the answer of a search that matched none).
bool HoldsNoRecord(const std::vector<uint8_t>& attributeLists);

} // namespace dabrix::platform::sdp
