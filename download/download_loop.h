// The download loop: saves every photo of the current URL list as a numbered JPEG file in the
// album folder, with one status line per photo and a completion message.
//
// It reads and writes the window's state only through DownloadSeam, so that it runs with or
// without a window; the application binds the seam to its globals and controls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "text/types.h"

struct DownloadSeam {
    // The photo URLs, member i naming photo i.jpg; read once, when the loop starts.
    const TextArray& photoUrlList;
    // Photos attempted since the program started; +1 per member, never reset.
    std::int32_t& downloadCounter;
    // The run directory as the user reads it (GBK) and as the file system names it.
    Text runDirectory;
    std::string runDirectoryPath;
    // The album-ID box, read again for every photo.
    std::function<Text()> albumIdText;
    // Appends one line (ending in "\r\n") to the status box.
    std::function<void(const Text& line)> appendStatusLine;
    // Writes a whole file (path in the file system's bytes); false when it could not.
    std::function<bool(const std::string& path, const Bytes& bytes)> writeFile;
    // The completion message: text and title.
    std::function<void(const Text& text, const Text& title)> showMessage;
};

// Fetches every URL of the list in order and saves each photo as run directory / album ID /
// i.jpg. A photo that cannot be had (failed request, a status other than 2xx, a short body), an
// album ID that would lead outside its folder, or a file that cannot be written gives a
// "下载失败" status line and no file; the completion message then counts the failures.
// Processes no window events: nothing can run nested inside it.
void downloadAllPhotos(const DownloadSeam& seam);
