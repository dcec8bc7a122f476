#include "platform/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dabrix::platform {

namespace {

constexpr std::string_view Blanks = " \t";

std::string_view Trim(std::string_view s)
{
    const size_t first = s.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = s.find_last_not_of(Blanks);
    return s.substr(first, last - first + 1);
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name that reads back as itself: not empty, no surrounding blanks, nothing that
// would end the line or be taken for a header, a comment or the separator.
bool IsWritableKey(std::string_view key)
{
    return !key.empty() && Trim(key) == key && !HasLineBreakOrNul(key)
        && key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

bool IsWritableSection(std::string_view section)
{
    return !section.empty() && Trim(section) == section && !HasLineBreakOrNul(section)
        && section.find(']') == std::string_view::npos;
}

// The process's file-creation mask, for the permissions of a new file. Read from /proc:
// umask() could only tell by changing it, which other threads would notice.
mode_t CurrentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    mode_t mask = 022;
    if (status) {
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value & 0777);
                break;
            }
        std::fclose(status);
    }
    return mask;
}

} // namespace

std::optional<int> ParseProfileInteger(std::string_view text)
{
    text = Trim(text);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    // from_chars takes a '-' of its own; after a '+' only digits may follow.
    if (text.empty() || (plus && text.front() == '-'))
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// ---- ProfileText ----------------------------------------------------------------------

ProfileText::Line ProfileText::MakeLine(std::string text)
{
    Line line;
    const std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '[') {
        // "[Name" without the closing bracket still opens a section, as profile files do.
        std::string_view name = t.substr(1);
        if (const size_t close = name.find(']'); close != std::string_view::npos)
            name = name.substr(0, close);
        line.header = true;
        line.section = std::string(Trim(name));
    } else if (!t.empty() && t.front() != ';') {
        if (const size_t eq = t.find('='); eq != std::string_view::npos) {
            const std::string_view key = Trim(t.substr(0, eq));
            if (!key.empty()) {
                line.keyLine = true;
                line.key = std::string(key);
                line.value = std::string(Trim(t.substr(eq + 1)));
            }
        }
    }
    line.text = std::move(text);
    return line;
}

ProfileText ProfileText::Parse(std::string_view bytes)
{
    ProfileText result;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    bool firstLine = true;
    while (!bytes.empty()) {
        // Lines end at CR LF, LF or a lone CR, so no value can carry a line break.
        const size_t end = bytes.find_first_of("\r\n");
        const std::string_view raw = bytes.substr(0, end);
        size_t skip = bytes.size();
        bool cr = false;
        if (end != std::string_view::npos) {
            cr = bytes[end] == '\r';
            skip = end + ((cr && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
        }
        bytes.remove_prefix(skip);
        if (firstLine && end != std::string_view::npos)
            result.crlf_ = cr;
        firstLine = false;
        result.lines_.push_back(MakeLine(std::string(raw)));
    }
    return result;
}

std::string ProfileText::Serialize() const
{
    const std::string_view eol = crlf_ ? "\r\n" : "\n";
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += eol;
    }
    return out;
}

std::optional<std::pair<size_t, size_t>> ProfileText::FindSection(std::string_view section) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].header || !SameName(lines_[i].section, section))
            continue;
        size_t end = i + 1;
        while (end < lines_.size() && !lines_[end].header)
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

std::optional<std::string> ProfileText::Value(std::string_view section, std::string_view key) const
{
    const auto range = FindSection(section);
    if (!range)
        return std::nullopt;
    for (size_t i = range->first; i < range->second; ++i)
        if (lines_[i].keyLine && SameName(lines_[i].key, key))
            return lines_[i].value;
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> ProfileText::Section(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> result;
    if (const auto range = FindSection(section)) {
        for (size_t i = range->first; i < range->second; ++i)
            if (lines_[i].keyLine)
                result.emplace_back(lines_[i].key, lines_[i].value);
    }
    return result;
}

std::vector<std::string> ProfileText::SectionNames() const
{
    std::vector<std::string> result;
    for (const Line& line : lines_) {
        if (!line.header)
            continue;
        bool seen = false;
        for (const std::string& name : result)
            seen = seen || SameName(name, line.section);
        if (!seen)
            result.push_back(line.section);
    }
    return result;
}

bool ProfileText::Set(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsWritableSection(section) || !IsWritableKey(key) || HasLineBreakOrNul(value))
        return false;

    const auto range = FindSection(section);
    if (!range) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty())
            lines_.push_back(MakeLine(std::string()));
        lines_.push_back(MakeLine("[" + std::string(section) + "]"));
        lines_.push_back(MakeLine(std::string(key) + "=" + std::string(value)));
        return true;
    }
    size_t insertAt = range->first;
    for (size_t i = range->first; i < range->second; ++i) {
        if (!lines_[i].keyLine)
            continue;
        if (SameName(lines_[i].key, key)) {
            lines_[i] = MakeLine(lines_[i].key + "=" + std::string(value));
            return true;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  MakeLine(std::string(key) + "=" + std::string(value)));
    return true;
}

bool ProfileText::Erase(std::string_view section, std::string_view key)
{
    const auto range = FindSection(section);
    if (!range)
        return false;
    bool erased = false;
    for (size_t i = range->second; i-- > range->first;) {
        if (lines_[i].keyLine && SameName(lines_[i].key, key)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            erased = true;
        }
    }
    return erased;
}

bool ProfileText::EraseSection(std::string_view section)
{
    const auto range = FindSection(section);
    if (!range)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->first - 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->second));
    return true;
}

// ---- ProfileFile ----------------------------------------------------------------------

ProfileFile::ProfileFile(std::string path)
    : path_(std::move(path))
{
}

std::optional<ProfileText> ProfileFile::Load() const
{
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::optional<ProfileText>(ProfileText()) : std::nullopt;

    std::optional<ProfileText> result;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= MaxFileSize) {
        std::string bytes;
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t have = 0;
        bool failed = false;
        // The file may change size while we read; stop at the end we find, never beyond
        // the limit.
        while (!failed) {
            if (have == bytes.size()) {
                if (bytes.size() >= static_cast<size_t>(MaxFileSize))
                    break;
                bytes.resize(std::min<size_t>(bytes.size() + 4096, MaxFileSize));
            }
            const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
            if (n > 0)
                have += static_cast<size_t>(n);
            else if (n == 0)
                break;
            else if (errno != EINTR)
                failed = true;
        }
        if (!failed) {
            bytes.resize(have);
            result = ProfileText::Parse(bytes);
        }
    }
    ::close(fd);
    return result;
}

bool ProfileFile::Save(const ProfileText& text) const
{
    if (path_.empty())
        return false;
    // Replace the file a symlink points to, not the symlink.
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path_.c_str(), resolved) ? std::string(resolved) : path_;
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        return false;

    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : folder) + "."
                       + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    // Every byte must reach the disk before the rename; a short write (disk full, size
    // limit) leaves the old file in place.
    const std::string bytes = text.Serialize();
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            ok = false;
    }
    ok = ok && ::fchmod(fd, existed ? (old.st_mode & 07777) : 0644 & ~CurrentUmask()) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const
{
    if (const auto text = Load())
        if (auto value = text->Value(section, key))
            return std::move(*value);
    return std::string(def);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int def) const
{
    if (const auto text = Load())
        if (const auto value = text->Value(section, key))
            return ParseProfileInteger(*value).value_or(def);
    return def;
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::pair<std::string, std::string>> ProfileFile::ReadSection(std::string_view section) const
{
    if (const auto text = Load())
        return text->Section(section);
    return {};
}

std::vector<std::string> ProfileFile::ReadSections() const
{
    if (const auto text = Load())
        return text->SectionNames();
    return {};
}

bool ProfileFile::SectionExists(std::string_view section) const
{
    if (const auto text = Load())
        for (const std::string& name : text->SectionNames())
            if (SameName(name, section))
                return true;
    return false;
}

bool ProfileFile::ValueExists(std::string_view section, std::string_view key) const
{
    const auto text = Load();
    return text && text->Value(section, key).has_value();
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    auto text = Load();
    return text && text->Set(section, key, value) && Save(*text);
}

bool ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

bool ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool ProfileFile::EraseKey(std::string_view section, std::string_view key)
{
    auto text = Load();
    if (!text)
        return false;
    // Erasing a key that is not there leaves the file as it is and counts as done.
    return !text->Erase(section, key) || Save(*text);
}

bool ProfileFile::EraseSection(std::string_view section)
{
    auto text = Load();
    if (!text)
        return false;
    return !text->EraseSection(section) || Save(*text);
}

} // namespace dabrix::platform
