#include "app/Images.h"

#include <array>

namespace {

struct ImageName {
    const char* theme;     // freedesktop icon name
    const char* resource;  // the program's own drawing
};

constexpr std::array<ImageName, ImageCount> kImages = {{
    {"document-new", ":/icons/new.svg"},
    {"document-open", ":/icons/open.svg"},
    {"document-save", ":/icons/save.svg"},
    {"document-save-as", ":/icons/saveas.svg"},
    {"document-print", ":/icons/print.svg"},
    {"edit-cut", ":/icons/cut.svg"},
    {"edit-copy", ":/icons/copy.svg"},
    {"edit-paste", ":/icons/paste.svg"},
    {"edit-undo", ":/icons/undo.svg"},
    {"edit-clear", ":/icons/clear.svg"},
    {"network-connect", ":/icons/connect.svg"},
    {"network-disconnect", ":/icons/disconnect.svg"},
    {"network-offline", ":/icons/status-disconnected.svg"},
    {"network-transmit-receive", ":/icons/status-connected.svg"},
    {"network-idle", ":/icons/status-searching.svg"},
}};

} // namespace

QIcon BuiltInImage(int index)
{
    if (index < 0 || index >= ImageCount)
        return {};
    return QIcon(QString::fromLatin1(kImages[static_cast<size_t>(index)].resource));
}

QIcon ImageListIcon(int index)
{
    if (index < 0 || index >= ImageCount)
        return {};
    return QIcon::fromTheme(QString::fromLatin1(kImages[static_cast<size_t>(index)].theme),
                            BuiltInImage(index));
}
