#include "download/download_loop.h"

#include <optional>

#include "download/album_folder.h"
#include "download/photo_response.h"
#include "http/direct_request.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace {

const Text& savedMark() {
    return "下载完成 "_gbk;
}
const Text& failedMark() {
    return "下载失败 "_gbk;
}
const Text& completionTitle() {
    return "下载完成"_gbk;
}
const Text& allSavedText() {
    return "这个相册的所有照片下载完成如需下其他相册请更换相册ID继续"_gbk;
}
Text someFailedText(std::int64_t failed) {
    return "这个相册有"_gbk + intToText(failed) + "张照片下载失败，请检查网络后重新下载"_gbk;
}

// Fetches one photo and saves it under `path`; false when there is no photo to save or the
// file could not be written. The body lives only for this call.
bool savePhoto(const Text& url, const std::string& path, const DownloadSeam& seam) {
    Text rawHeaders;
    const Bytes body = httpRequest(url, 0, Text(), nullptr, nullptr, nullptr, nullptr, false,
                                   nullptr, std::nullopt, &rawHeaders);
    if (!isPhotoResponse(body, rawHeaders))
        return false;
    return seam.writeFile(path, body);
}

}  // namespace

void downloadAllPhotos(const DownloadSeam& seam) {
    // A copy: whatever the seam's callbacks do, the list cannot change under the loop.
    const TextArray urls = seam.photoUrlList;
    std::int64_t failed = 0;
    for (std::size_t index = 0; index < urls.size(); ++index) {
        const Text number = intToText(static_cast<std::int64_t>(index) + 1);
        ++seam.downloadCounter;
        const Text albumId = seam.albumIdText();
        const Text fileName = seam.runDirectory + "/" + albumId + "/" + number + ".jpg";
        // The box is read again for every photo: an ID typed in meanwhile is checked again.
        const bool saved =
            isSafeAlbumId(albumId) &&
            savePhoto(urls[index],
                      albumFolderPath(seam.runDirectoryPath, albumId) + "/" + number + ".jpg",
                      seam);
        if (!saved)
            ++failed;
        seam.appendStatusLine(fileName + (saved ? savedMark() : failedMark()) +
                              intToText(seam.downloadCounter) + "\r\n");
    }
    seam.showMessage(failed == 0 ? allSavedText() : someFailedText(failed), completionTitle());
}
