#include "platform/ConfigFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace dabrix::platform {

std::string ConfigFolder()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::string(xdg) + "/Dabrix";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/Dabrix";
    return {};
}

bool EnsureFolder(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

} // namespace dabrix::platform
