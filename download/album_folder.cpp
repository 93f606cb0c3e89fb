#include "download/album_folder.h"

#include <algorithm>

#include "text/codepage.h"

namespace {

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

bool isForbiddenSingleByte(unsigned char byte) {
    return byte == '/' || byte == '\\' || isControl(byte);
}

// Walks the text a character at a time: a byte of 0x80 or above and the byte after it are one
// character, so a "\" that is the second byte of a Chinese character does not count.
bool gbkTextIsSafe(const Text& albumId) {
    for (std::size_t i = 0; i < albumId.size(); ++i) {
        const auto byte = static_cast<unsigned char>(albumId[i]);
        if (byte >= 0x80)
            ++i;
        else if (isForbiddenSingleByte(byte))
            return false;
    }
    return true;
}

// An invalid GBK sequence may decode to a lone "/" after all; the name the file system gets is
// what decides.
bool fileNameIsSafe(const std::string& utf8) {
    if (utf8.empty() || utf8 == "." || utf8 == "..")
        return false;
    return std::none_of(utf8.begin(), utf8.end(), [](char c) {
        return isForbiddenSingleByte(static_cast<unsigned char>(c));
    });
}

}  // namespace

bool isSafeAlbumId(const Text& albumId) {
    if (albumId.empty() || albumId == "." || albumId == "..")
        return false;
    return gbkTextIsSafe(albumId) && fileNameIsSafe(gbkToUtf8(albumId));
}

std::string albumFolderPath(const std::string& runDirectoryPath, const Text& albumId) {
    return runDirectoryPath + "/" + gbkToUtf8(albumId);
}
