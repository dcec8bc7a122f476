#pragma once
// Small reads of sysfs and similar folders, shared by the scans of serial ports and USB
// devices that run once a second.
#include <string>
#include <vector>

namespace dabrix::platform {

// The names in a folder, "." and ".." left out; none when it cannot be read. Plain readdir:
// building a path object for each of some seventy ttys cost several times the listing.
std::vector<std::string> NamesIn(const std::string& folder);

// The first line of a file without its line end and trailing blanks; empty when the file
// cannot be read.
std::string ReadFirstLine(const std::string& path);

} // namespace dabrix::platform
