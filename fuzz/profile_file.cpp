// Arbitrary bytes as a profile file (MSave.ini, ComPorts.ini). Checks: no memory fault;
// reading any key gives a value without line breaks; writing a key and reading it back
// gives the value written; a text parsed from its own serialization reads the same.
#include "fuzz/FuzzChecks.h"
#include "platform/ProfileFile.h"

#include <fuzzer/FuzzedDataProvider.h>

using dabrix::fuzz::Check;
using dabrix::platform::ProfileText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(16);
    const std::string key = in.ConsumeRandomLengthString(16);
    const std::string value = in.ConsumeRandomLengthString(32);
    const std::string file = in.ConsumeRemainingBytesAsString();

    ProfileText text = ProfileText::Parse(file);
    for (const std::string& name : text.SectionNames())
        for (const auto& [k, v] : text.Section(name))
            Check(v.find_first_of("\r\n") == std::string::npos, "value holds a line break");
    const auto before = text.Value(section, key);

    const ProfileText again = ProfileText::Parse(text.Serialize());
    Check(again.Value(section, key) == before, "serialized text reads differently");

    if (text.Set(section, key, value)) {
        const auto read = text.Value(section, key);
        Check(read.has_value(), "written key is missing");
        // Values are stored trimmed, as they are read.
        const auto first = value.find_first_not_of(" \t");
        const auto last = value.find_last_not_of(" \t");
        const std::string trimmed = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
        Check(*read == trimmed, "written value reads back differently");
        Check(ProfileText::Parse(text.Serialize()).Value(section, key) == read, "write does not survive a reload");
    }
    return 0;
}
