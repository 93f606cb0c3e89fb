// Where an album's photos are saved: the folder named after the album ID under the run
// directory, and the rule that keeps every album ID inside that folder.
#pragma once

#include <string>

#include "text/types.h"

// False for an album ID that would name anything but one folder directly under the run
// directory: empty, "." or "..", holding a "/" or "\" character or a control character (in the
// GBK text or in the name the file system would get).
bool isSafeAlbumId(const Text& albumId);

// The album folder as the file system names it: the run directory's own bytes + "/" + the
// album ID in UTF-8.
std::string albumFolderPath(const std::string& runDirectoryPath, const Text& albumId);
