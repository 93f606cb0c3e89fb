#include "app/main_window.h"

#include "app/control_names.h"
#include "app/globals.h"
#include "download/album_folder.h"
#include "platform/events.h"
#include "platform/gui_clipboard.h"
#include "platform/gui_files.h"
#include "qzone/album_list.h"
#include "qzone/photo_list.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace {

constexpr const char* kAdvertisementPage = "qrc:/app/advertisement.html";
constexpr int kWaitBeforeDownloadMs = 1000;

const Text& promptTitle() {
    return "提示"_gbk;
}
const Text& albumIdMissingText() {
    return "请先复制要下载的相册ID相册ID在上面提取"_gbk;
}
const Text& albumIdUnsafeText() {
    return "相册ID不能是“.”或“..”，也不能含有斜杠“/”、反斜杠“\\”或控制字符，请重新复制相册ID"_gbk;
}

}  // namespace

MainWindow::MainWindow(platform::gui::Window& window, WindowServices services)
    : window_(window), services_(std::move(services)) {
    window_.button(controls::kAlbumListButton).onClicked([this] { albumListClicked(); });
    window_.button(controls::kFetchPhotosButton).onClicked([this] { fetchPhotosClicked(); });
    window_.button(controls::kDownloadButton).onClicked([this] { runDownload(); });
    window_.button(controls::kCopyButton).onClicked([this] { copyClicked(); });
    window_.editBox(controls::kUrlBox).onChanged([this] { urlBoxChanged(); });
    window_.editBox(controls::kCountBox).onChanged([this] { countBoxChanged(); });
}

void MainWindow::created() {
    window_.browser(controls::kBrowser).navigate(kAdvertisementPage);
    window_.button(controls::kFetchPhotosButton).setEnabled(false);
}

void MainWindow::albumListClicked() {
    platform::gui::EditBox& accountBox = window_.editBox(controls::kAccountBox);
    // The list request takes the account as read here; the route lookup inside it reads the
    // account box again on its own.
    const Text list =
        qzone::fetchAlbumList(accountBox.text(), [&accountBox] { return accountBox.text(); });
    platform::gui::EditBox& listBox = window_.editBox(controls::kAlbumListBox);
    listBox.setText(list);
    // Never disabled here: once a list has been shown, 按钮4 stays usable.
    if (!listBox.text().empty())
        window_.button(controls::kFetchPhotosButton).setEnabled(true);
}

void MainWindow::fetchPhotosClicked() {
    const Text albumId = window_.editBox(controls::kAlbumIdBox).text();
    if (albumId.empty()) {
        services_.messageBox(albumIdMissingText(), promptTitle());
        return;
    }
    if (!isSafeAlbumId(albumId)) {
        services_.messageBox(albumIdUnsafeText(), promptTitle());
        return;
    }
    // An existing folder is fine; any other failure shows up as failed photos.
    platform::gui::createDirectory(albumFolderPath(services_.runDirectoryPath, albumId));
    window_.editBox(controls::kStatusBox).setText("");
    const Text urls = qzone::fetchPhotoUrls(window_.editBox(controls::kAccountBox).text(), albumId);
    // Runs the whole download before it returns (urlBoxChanged, then countBoxChanged).
    window_.editBox(controls::kUrlBox).setText(urls);
}

void MainWindow::urlBoxChanged() {
    platform::gui::EditBox& urlBox = window_.editBox(controls::kUrlBox);
    const int lines = urlBox.lineCount();
    // Runs countBoxChanged, a whole download included, before it returns.
    window_.editBox(controls::kCountBox).setText(intToText(lines));
    // Again, from whatever the box holds now: a nested chain may have rewritten it.
    photoUrlList = splitText(urlBox.text(), "\r\n");
}

void MainWindow::countBoxChanged() {
    photoUrlList = splitText(window_.editBox(controls::kUrlBox).text(), "\r\n");
    platform::delayProcessingEvents(kWaitBeforeDownloadMs);
    runDownload();
}

void MainWindow::copyClicked() {
    platform::gui::setClipboardText(window_.editBox(controls::kUrlBox).text());
}

void MainWindow::runDownload() {
    platform::gui::EditBox& albumIdBox = window_.editBox(controls::kAlbumIdBox);
    platform::gui::EditBox& statusBox = window_.editBox(controls::kStatusBox);
    const DownloadSeam seam{
        photoUrlList,
        downloadCounter,
        services_.runDirectory,
        services_.runDirectoryPath,
        [&albumIdBox] { return albumIdBox.text(); },
        [&statusBox](const Text& line) { statusBox.append(line); },
        [](const std::string& path, const Bytes& bytes) {
            return platform::gui::writeWholeFile(path, bytes);
        },
        services_.messageBox,
    };
    downloadAllPhotos(seam);
}
