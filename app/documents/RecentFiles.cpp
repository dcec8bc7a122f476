#include "app/documents/RecentFiles.h"

#include <algorithm>

namespace dabrix::app {

void RecentFiles::Add(const QString& name, const QString& unknownName)
{
    if (name == unknownName || name == entries_[0])
        return;
    std::move_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = name;
}

QString RecentFiles::Caption(int i) const
{
    return QString::number(i) + QStringLiteral(":   ") + Entry(i);
}

bool RecentFiles::Visible(int i) const
{
    // The bare prefix "i:   " is five characters long.
    return Caption(i).size() > 5;
}

} // namespace dabrix::app
