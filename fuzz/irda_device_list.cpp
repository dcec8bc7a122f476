// Arbitrary bytes as what other participants leave in their folders of the infrared air
// (folder names, name, hints and charset files) and as a device list buffer. Checks: no
// memory fault; only 8 upper-case hex digits name a participant; a nickname never
// outgrows its field; a list never runs past its buffer and reads back as written, no
// more entries than fit; an arbitrary buffer yields no more entries than it holds.
#include "fuzz/FuzzChecks.h"
#include "platform/irda/IrDADeviceList.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <vector>

using dabrix::fuzz::Check;
using namespace dabrix::platform::irda;

namespace {

size_t Room(size_t size)
{
    return size < kDeviceCountSize ? 0 : (size - kDeviceCountSize) / kDeviceEntrySize;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The whole input as a filled buffer.
    for (const DeviceInfo& d : ReadDeviceList(data, size))
        Check(d.Nickname.size() <= kNicknameSize && d.Nickname.find('\0') == std::string::npos, "read nickname");
    Check(ReadDeviceList(data, size).size() <= Room(size), "more entries than the buffer holds");

    // The same input as participants' files.
    FuzzedDataProvider input(data, size);
    std::vector<DeviceInfo> participants;
    while (input.remaining_bytes() > 0 && participants.size() < 80) {
        const std::string folder = input.ConsumeRandomLengthString(12);
        const std::string name = input.ConsumeRandomLengthString(80);
        std::optional<std::string> hints, charset;
        if (input.ConsumeBool())
            hints = input.ConsumeRandomLengthString(16);
        if (input.ConsumeBool())
            charset = input.ConsumeRandomLengthString(16);
        const auto id = DeviceIdFromFolderName(folder);
        const bool wellNamed = folder.size() == 8 && folder.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        Check(id.has_value() == wellNamed, "folder name accepted or refused wrongly");
        if (!id)
            continue;
        Check(FolderNameOf(*id) == folder, "folder name round trip");
        const DeviceInfo d = ParseParticipant(*id, name, hints, charset);
        Check(d.Nickname.size() <= kNicknameSize, "nickname too long");
        Check(name.compare(0, d.Nickname.size(), d.Nickname) == 0, "nickname is not the start of the file");
        if (!hints)
            Check(d.Hints1 == 0 && d.Hints2 == 0, "hints without a file");
        if (!charset)
            Check(d.CharSet == 0, "character set without a file");
        participants.push_back(d);
    }

    const size_t bufferSize = input.ConsumeIntegralInRange<size_t>(0, kDeviceListBufferSize);
    constexpr size_t kGuard = 32;
    std::vector<uint8_t> buffer(bufferSize + kGuard, 0xA5);
    const size_t used = WriteDeviceList(participants, buffer.data(), bufferSize);
    Check(used <= bufferSize, "list longer than its buffer");
    Check(std::all_of(buffer.begin() + static_cast<long>(bufferSize), buffer.end(), [](uint8_t b) { return b == 0xA5; }),
          "wrote past the buffer");

    const auto back = ReadDeviceList(buffer.data(), used);
    Check(back.size() == std::min(participants.size(), Room(bufferSize)), "entries lost or invented");
    for (size_t i = 0; i < back.size(); ++i) {
        const DeviceInfo& p = participants[i];
        const std::string expected = p.Nickname.substr(0, p.Nickname.find('\0'));
        Check(back[i].Id == p.Id && back[i].Hints1 == p.Hints1 && back[i].Hints2 == p.Hints2
                  && back[i].CharSet == p.CharSet && back[i].Nickname == expected,
              "entry read back differs");
    }
    return 0;
}
