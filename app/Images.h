#pragma once
// The main window's image list: tool bar and menu images 0..11 and the status images
// 12 (disconnected), 13 (connected) and 14 (searching). Each comes from the desktop's
// icon theme where it has one, else from the images built into the program.
#include <QIcon>

inline constexpr int ImageCount = 15;
inline constexpr int ImageDisconnected = 12;
inline constexpr int ImageConnected = 13;
inline constexpr int ImageSearching = 14;

// The image at `index`; a null icon for an index outside 0..14.
QIcon ImageListIcon(int index);

// The built-in image at `index` alone, without the theme (null outside 0..14).
QIcon BuiltInImage(int index);
