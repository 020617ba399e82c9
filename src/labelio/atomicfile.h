// Writing a whole file so that readers never see half of it: the text goes
// to a temporary name in the same directory, which is renamed over the
// target once complete. An interrupted write leaves the old file whole; the
// new file keeps the old one's permissions, a symbolic link is written
// through (its target made when missing), and a read-only target or
// directory is refused with the reason, also for root.
#pragma once

#include <string>

// False, with error holding the system's reason, when the file cannot be written.
bool writeatomic(const std::string& path, const std::string& text, std::string& error);
