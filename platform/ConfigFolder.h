#pragma once
// Where Dabrix keeps its configuration: $XDG_CONFIG_HOME/Dabrix, else ~/.config/Dabrix.
// MSave.ini and the COM port map ComPorts.ini live there.
#include <string>

namespace dabrix::platform {

// The folder, without a trailing slash. Empty when neither XDG_CONFIG_HOME nor HOME is set.
std::string ConfigFolder();

// Creates the folder and every missing parent; an existing folder counts as success.
bool EnsureFolder(const std::string& path);

} // namespace dabrix::platform
