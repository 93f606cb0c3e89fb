// The file services the window's handlers use: the program's directory, creating one folder
// level, and writing a whole file so that it is either complete or absent.
// Paths are the file system's own bytes (UTF-8 on the systems the program runs on).
#pragma once

#include <string>
#include <string_view>

namespace platform::gui {

// The folder of the running executable, without a trailing separator ("" for the root folder,
// so that "" + "/" + name still names a file in it).
std::string executableDirectory();

// Creates one folder level. False, and nothing else happens, when it exists already or its
// parent does not.
bool createDirectory(const std::string& path);

// Writes `bytes` to `path`, replacing a file of that name. The bytes go to a fresh temporary
// file in the same folder, which is renamed to `path` only once everything is written: a failed
// write (missing folder, full disk, `path` naming a folder) returns false and leaves neither a
// truncated file nor the temporary one behind.
bool writeWholeFile(const std::string& path, std::string_view bytes);

}  // namespace platform::gui
