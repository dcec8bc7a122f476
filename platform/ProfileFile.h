#pragma once
// INI profile files (MSave.ini, ComPorts.ini) with the classic Windows profile rules:
//
//   [Section]
//   Key=Value
//
// - section and key names compare case-insensitively (ASCII); the first match counts;
// - blanks around names and values are not part of them; the value is otherwise taken
//   exactly as it stands (no quote stripping, no escapes), as UTF-8 bytes;
// - integers are written in decimal; a value that is not a decimal number (after an
//   optional sign, within the range of int) reads as the default, so does an empty one;
// - booleans are written as 1 or 0 and read true for any non-zero integer;
// - a key that is present with an empty value reads as an empty string, not the default;
// - lines the class does not understand (comments, blank lines, text without '=') and
//   keys it is not asked about are kept where they are.
//
// Every write replaces the whole file atomically (a new file, then a rename), so a crash
// never leaves a truncated file. A write that cannot be done is lost and returns false;
// nothing is shown. A file that cannot be read, or is not text, reads as defaults.
//
// Threads: ProfileText is a plain value. ProfileFile keeps only its path; concurrent
// writers in different processes must serialise themselves (ComPortMap takes a lock).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dabrix::platform {

// Decimal integer as profile files read it: optional blanks, optional sign, digits, nothing
// else; nothing when the text is not such a number or does not fit an int.
std::optional<int> ParseProfileInteger(std::string_view text);

// The lines of a profile file in memory, kept as they were read.
class ProfileText {
public:
    static ProfileText Parse(std::string_view bytes);
    // The lines joined with the line end the parsed text used (CR LF or LF; LF for new text).
    std::string Serialize() const;

    // The value of the first matching key of the first matching section.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // Every key=value of the first matching section, in file order (names as written).
    std::vector<std::pair<std::string, std::string>> Section(std::string_view section) const;
    std::vector<std::string> SectionNames() const;

    // Replaces the value of an existing key (keeping its spelling) or adds the key at the
    // end of the section, adding the section at the end of the text when it is missing.
    // False, and nothing changed, for a name or value that would break the file's lines.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // True when a key line was removed (every line of that key in the first matching section).
    bool Erase(std::string_view section, std::string_view key);
    // True when the section existed; removes its header and its lines.
    bool EraseSection(std::string_view section);

private:
    struct Line {
        std::string text;     // the line as it is written, without the line end
        std::string section;  // for a section header: its name
        std::string key;      // for a key line: its name (trimmed); empty otherwise
        std::string value;    // for a key line: its value (trimmed)
        bool header = false;
        bool keyLine = false;
    };
    // Index range [first, end) of the first matching section's lines after its header;
    // nothing when the section is missing.
    std::optional<std::pair<size_t, size_t>> FindSection(std::string_view section) const;
    static Line MakeLine(std::string text);

    std::vector<Line> lines_;
    bool crlf_ = false;
};

class ProfileFile {
public:
    explicit ProfileFile(std::string path);

    const std::string& Path() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;
    std::vector<std::string> ReadSections() const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool EraseKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

    // The whole file at once, for read-modify-write cycles (several keys in one
    // replacement). A missing file is an empty text; a file that exists but cannot be read
    // (or is far too large to be a profile file) gives nothing, and writes refuse to
    // replace it.
    std::optional<ProfileText> Load() const;
    bool Save(const ProfileText& text) const;

    // Files above this size are not profile files of ours.
    static constexpr long long MaxFileSize = 4 * 1024 * 1024;

private:
    std::string path_;
};

} // namespace dabrix::platform
