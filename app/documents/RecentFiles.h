#pragma once
// The five most recently saved documents, entry 0 the newest, as the Open button's
// drop-down shows them.
//
// Threads: a plain value.
#include <QString>

#include <array>
#include <cstddef>

namespace dabrix::app {

class RecentFiles {
public:
    static constexpr int kCount = 5;

    // Puts `name` at the top, moving the others down one place (the last one falls out),
    // unless it is `unknownName` (the localised name of an unsaved document) or already
    // the top entry. The comparison is exact and case-sensitive; a name further down is
    // not removed, so it may be listed twice.
    void Add(const QString& name, const QString& unknownName);

    // Entry i (0 .. kCount - 1); an empty entry is unused.
    const QString& Entry(int i) const { return entries_.at(Index(i)); }
    void SetEntry(int i, const QString& name) { entries_.at(Index(i)) = name; }
    const std::array<QString, kCount>& Entries() const { return entries_; }

    // The menu caption of entry i: its number, a colon, three spaces and the entry.
    QString Caption(int i) const;
    // Whether the menu item of entry i is shown (and enabled): when the entry is used.
    bool Visible(int i) const;

private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }

    std::array<QString, kCount> entries_;
};

} // namespace dabrix::app
