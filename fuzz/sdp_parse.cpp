// Arbitrary bytes as a remote device's SDP answer: as the attribute lists of a service
// search (records, flattened attributes, the fields a client reads), as one data element,
// and as a service search-attribute response PDU. Checks: no memory fault or runaway
// recursion; no element claims more bytes than the input has; records re-encoded by our
// encoder decode to the same elements; a response's parts lie inside the PDU.
#include "fuzz/FuzzChecks.h"
#include "platform/bluetooth/SdpClient.h"
#include "platform/bluetooth/SdpDataElement.h"
#include "platform/bluetooth/lnkSDPParser.h"

namespace sdp = dabrix::platform::sdp;
using dabrix::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TlnkSDPParser parser;
    parser.Parse(data, size);
    size_t elements = 0;
    for (const TlnkSDPServiceRecord& record : parser.Records()) {
        for (const TlnkSDPAttribute& attribute : record.Attributes()) {
            for (const TlnkSDPElement& e : attribute.Elements()) {
                Check(e.Size() == e.Data().size(), "element size differs from its data");
                Check(e.Size() <= size, "element larger than the input");
                Check(e.Type() < 32, "type code beyond five bits");
                ++elements;
            }
        }
        const auto service = dabrix::platform::ReadSdpService(record);
        Check(static_cast<size_t>(service.Name.size()) <= size, "name longer than the input");
    }
    // Every element, nil included, takes at least its descriptor byte.
    Check(elements <= size, "more elements than input bytes");

    std::vector<sdp::DataElement> records;
    sdp::DecodeAttributeLists(data, size, records);
    for (const sdp::DataElement& record : records) {
        const std::vector<uint8_t> bytes = sdp::Encode(record);
        size_t offset = 0;
        sdp::DataElement back;
        Check(sdp::Decode(bytes.data(), bytes.size(), offset, back), "own encoding does not decode");
        Check(offset == bytes.size() && back == record, "own encoding decodes differently");
    }

    size_t offset = 0;
    sdp::DataElement element;
    if (sdp::Decode(data, size, offset, element)) {
        Check(offset <= size, "decoded past the end");
        const std::vector<uint8_t> bytes = sdp::Encode(element);
        size_t again = 0;
        sdp::DataElement back;
        Check(sdp::Decode(bytes.data(), bytes.size(), again, back) && back == element, "element round trip");
    }

    const uint16_t transaction = size >= 3 ? static_cast<uint16_t>((data[1] << 8) | data[2]) : 0;
    sdp::AttributeResponse response;
    if (sdp::ReadServiceSearchAttributeResponse(data, size, transaction, 0xFFFF, response) ==
        sdp::ResponseKind::Attributes) {
        Check(response.Continuation.size() <= sdp::kMaxContinuation, "continuation state too long");
        Check(5 + 2 + response.Bytes.size() + 1 + response.Continuation.size() == size, "response parts exceed the PDU");
    }
    return 0;
}
