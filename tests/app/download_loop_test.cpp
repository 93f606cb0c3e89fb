// The download loop through its seam, with no window: photos from a fake album service on
// loopback, files in a temporary run directory, a message recorder.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "download/download_loop.h"
#include "platform/gui_files.h"
#include "tests/app/app_test_support.h"
#include "tests/fixtures/fake_album_service.h"
#include "tests/fixtures/http_recorder.h"
#include "tests/fixtures/loopback_server.h"
#include "text/codepage.h"
#include "text/gbk_literal.h"

namespace {

using apptest::fileExists;
using apptest::folderEntries;
using apptest::readFile;
using fixtures::FakeAlbum;
using fixtures::PhotoFault;

const std::string kAlbum = "V1a";

const Text& allSaved() {
    return "这个相册的所有照片下载完成如需下其他相册请更换相册ID继续"_gbk;
}

class DownloadLoopTest : public ::testing::Test {
  protected:
    void SetUp() override { setPhotos(3, {}); }

    void setPhotos(int count, std::map<int, PhotoFault> faults) {
        service_.setAlbums("10001", {FakeAlbum{kAlbum, "旅行"_gbk, count, 2048, faults}});
        urls_.clear();
        for (int n = 1; n <= count; ++n)
            urls_.push_back(service_.photoUrl(kAlbum, n));
    }

    void createAlbumFolder(const std::string& id = kAlbum) {
        std::filesystem::create_directory(run_.path() + "/" + id);
    }

    void runLoop() {
        const DownloadSeam seam{
            urls_,
            counter_,
            runText_,
            run_.path(),
            [this] { return albumId_(); },
            [this](const Text& line) { lines_.push_back(line); },
            [this](const std::string& path, const Bytes& bytes) {
                written_.push_back(path);
                return writeFile_(path, bytes);
            },
            recorder_.function(),
        };
        downloadAllPhotos(seam);
    }

    std::string albumPath(int n, const std::string& id = kAlbum) const {
        return run_.path() + "/" + id + "/" + std::to_string(n) + ".jpg";
    }
    Text line(int n, const Text& mark, int counter, const Text& id = kAlbum) const {
        return runText_ + "/" + id + "/" + std::to_string(n) + ".jpg" + mark +
               std::to_string(counter) + "\r\n";
    }

    fixtures::FakeAlbumService service_;
    apptest::TemporaryDirectory run_;
    Text runText_ = utf8ToGbk(run_.path());
    TextArray urls_;
    std::int32_t counter_ = 0;
    std::function<Text()> albumId_ = [] { return Text(kAlbum); };
    std::function<bool(const std::string&, const Bytes&)> writeFile_ = [](const std::string& path,
                                                                          const Bytes& bytes) {
        return platform::gui::writeWholeFile(path, bytes);
    };
    std::vector<std::string> written_;
    std::vector<Text> lines_;
    apptest::MessageRecorder recorder_;
};

TEST_F(DownloadLoopTest, SavesEveryPhotoByteForByteWithAStatusLineEachAndTheCompletionMessage) {
    createAlbumFolder();
    runLoop();
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(readFile(albumPath(n)), service_.photoBytes(kAlbum, n)) << n;
    EXPECT_EQ(folderEntries(run_.path() + "/" + kAlbum),
              (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(lines_, (std::vector<Text>{line(1, "下载完成 "_gbk, 1), line(2, "下载完成 "_gbk, 2),
                                         line(3, "下载完成 "_gbk, 3)}));
    ASSERT_EQ(recorder_.messages().size(), 1u);
    EXPECT_EQ(recorder_.messages()[0].text, allSaved());
    EXPECT_EQ(recorder_.messages()[0].title, "下载完成"_gbk);
    EXPECT_EQ(counter_, 3);
}

TEST_F(DownloadLoopTest, AnEmptyListMakesNoRequestAndOnlyShowsTheCompletionMessage) {
    createAlbumFolder();
    urls_.clear();
    counter_ = 7;
    runLoop();
    EXPECT_TRUE(service_.requests().empty());
    EXPECT_TRUE(lines_.empty());
    EXPECT_TRUE(folderEntries(run_.path() + "/" + kAlbum).empty());
    ASSERT_EQ(recorder_.messages().size(), 1u);
    EXPECT_EQ(recorder_.messages()[0].text, allSaved());
    EXPECT_EQ(counter_, 7);
}

TEST_F(DownloadLoopTest, StatusNumbersGoOnFromTheCounterWhileFileNumbersStartAtOne) {
    // The worked example: the third file of album 12345 under D:\tools, fifth photo since start.
    createAlbumFolder("12345");
    albumId_ = [] { return Text("12345"); };
    runText_ = "D:\\tools";
    counter_ = 2;
    runLoop();
    ASSERT_EQ(lines_.size(), 3u);
    EXPECT_EQ(lines_[2], "D:\\tools/12345/3.jpg" + "下载完成 "_gbk + "5\r\n");
    EXPECT_EQ(readFile(albumPath(3, "12345")), service_.photoBytes(kAlbum, 3));
}

TEST_F(DownloadLoopTest, PhotosThatCannotBeHadAreReportedAndLeaveNoFile) {
    fixtures::HttpRecorder shortBody(fixtures::respondWith(
        "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\nonly this"));
    struct Case {
        const char* label;
        std::string url;
    };
    const Case cases[] = {
        {"404 error page", ""},  // photo 1 of the album, served as 404
        {"connection reset mid-body", ""},
        {"nothing listens",
         "http://127.0.0.1:" + std::to_string(fixtures::unusedLoopbackPort()) + "/1.jpg"},
        {"empty line in the list", ""},
        {"not a URL", "no scheme or host"},
        {"body shorter than announced", shortBody.url("/x.jpg")},
    };
    setPhotos(2, {{1, PhotoFault::notFound}, {2, PhotoFault::resetMidBody}});
    for (std::size_t i = 2; i < std::size(cases); ++i)
        urls_.push_back(cases[i].url);
    urls_.push_back(service_.photoUrl(kAlbum, 3));  // not in the album any more: 404 as well
    createAlbumFolder();
    runLoop();

    ASSERT_EQ(lines_.size(), urls_.size());
    for (std::size_t i = 0; i < urls_.size(); ++i) {
        SCOPED_TRACE(i < std::size(cases) ? cases[i].label : "unknown photo");
        const int n = static_cast<int>(i) + 1;
        EXPECT_EQ(lines_[i], line(n, "下载失败 "_gbk, n));
    }
    EXPECT_TRUE(folderEntries(run_.path() + "/" + kAlbum).empty());
    ASSERT_EQ(recorder_.messages().size(), 1u);
    EXPECT_EQ(recorder_.messages()[0].text, "这个相册有7张照片下载失败，请检查网络后重新下载"_gbk);
    EXPECT_EQ(recorder_.messages()[0].title, "下载完成"_gbk);
}

// A chunk size line's number.
std::string hexSize(std::size_t size) {
    std::ostringstream out;
    out << std::hex << size;
    return out.str();
}

// Responses a photo host may give that do carry the photo, judged on the final response.
TEST_F(DownloadLoopTest, PhotosBehindUnusualResponsesAreSaved) {
    const std::string photo = "\xFF\xD8 chunked photo bytes \xFF\xD9";
    const std::string chunked =
        "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n"
        "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
        hexSize(photo.size()) + "\r\n" + photo + "\r\n0\r\n\r\n";
    fixtures::HttpRecorder host([&](const fixtures::RecordedRequest& request) {
        if (request.target == "/chunked.jpg")
            return chunked;
        if (request.target == "/moved.jpg")
            return fixtures::httpResponse(302, "moved", {"Location: /plain.jpg"});
        if (request.target == "/big-headers.jpg")
            return fixtures::httpResponse(200, photo, {"X-Padding: " + std::string(6000, 'p')});
        return fixtures::httpResponse(200, photo);
    });
    struct Case {
        const char* label;
        std::string path;
    };
    const Case cases[] = {
        {"chunked, with a Content-Length that does not match", "/chunked.jpg"},
        {"redirected to the photo", "/moved.jpg"},
        {"header block too large to capture", "/big-headers.jpg"},
    };
    urls_.clear();
    for (const Case& c : cases)
        urls_.push_back(host.url(c.path));
    createAlbumFolder();
    runLoop();

    ASSERT_EQ(lines_.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].label);
        const int n = static_cast<int>(i) + 1;
        EXPECT_EQ(lines_[i], line(n, "下载完成 "_gbk, n));
        EXPECT_EQ(readFile(albumPath(n)), photo);
    }
    EXPECT_EQ(recorder_.messages().at(0).text, allSaved());
}

TEST_F(DownloadLoopTest, OneFailedPhotoDoesNotStopTheOthers) {
    setPhotos(4, {{2, PhotoFault::notFound}});
    createAlbumFolder();
    runLoop();
    EXPECT_EQ(folderEntries(run_.path() + "/" + kAlbum),
              (std::vector<std::string>{"1.jpg", "3.jpg", "4.jpg"}));
    EXPECT_EQ(lines_[1], line(2, "下载失败 "_gbk, 2));
    EXPECT_EQ(lines_[3], line(4, "下载完成 "_gbk, 4));
    EXPECT_EQ(readFile(albumPath(4)), service_.photoBytes(kAlbum, 4));
    EXPECT_EQ(recorder_.messages().at(0).text,
              "这个相册有1张照片下载失败，请检查网络后重新下载"_gbk);
}

TEST_F(DownloadLoopTest, AFileThatCannotBeWrittenCountsAsFailed) {
    struct Case {
        const char* label;
        std::function<void()> prepare;
        std::vector<std::string> runDirectoryAfter;
    };
    const Case cases[] = {
        {"album folder missing", [] {}, {}},
        {"a folder where the file goes",
         [this] {
             createAlbumFolder();
             std::filesystem::create_directory(albumPath(1));
         },
         {kAlbum}},
    };
    urls_.resize(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(run_.path() + "/" + kAlbum);
        c.prepare();
        lines_.clear();
        counter_ = 0;
        runLoop();
        EXPECT_EQ(lines_, std::vector<Text>{line(1, "下载失败 "_gbk, 1)});
        EXPECT_EQ(folderEntries(run_.path()), c.runDirectoryAfter);
        EXPECT_EQ(recorder_.messages().back().text,
                  "这个相册有1张照片下载失败，请检查网络后重新下载"_gbk);
    }
}

TEST_F(DownloadLoopTest, AnAlbumIdLeadingOutsideItsFolderWritesNothingAndRequestsNothing) {
    const Text ids[] = {"", ".", "..", "../x", "/tmp", "a\\b", "a\tb", "\x81/x"};
    createAlbumFolder();
    for (const Text& id : ids) {
        SCOPED_TRACE(id);
        lines_.clear();
        albumId_ = [id] { return id; };
        runLoop();
        ASSERT_EQ(lines_.size(), 3u);
        EXPECT_EQ(lines_[0].substr(runText_.size()),
                  "/" + id + "/1.jpg" + "下载失败 "_gbk + std::to_string(counter_ - 2) + "\r\n");
    }
    EXPECT_TRUE(written_.empty());
    EXPECT_TRUE(service_.requests().empty());
    EXPECT_EQ(folderEntries(run_.path()), std::vector<std::string>{kAlbum});
}

TEST_F(DownloadLoopTest, TheAlbumIdIsReadForEveryPhoto) {
    createAlbumFolder();
    createAlbumFolder("other");
    const std::vector<Text> idPerPhoto = {kAlbum, "other", "../escape"};
    std::size_t reads = 0;
    albumId_ = [&] { return idPerPhoto.at(reads++); };
    runLoop();
    EXPECT_EQ(reads, 3u);
    EXPECT_EQ(readFile(albumPath(1)), service_.photoBytes(kAlbum, 1));
    EXPECT_EQ(readFile(albumPath(2, "other")), service_.photoBytes(kAlbum, 2));
    EXPECT_EQ(lines_[2], line(3, "下载失败 "_gbk, 3, "../escape"));
    EXPECT_EQ(folderEntries(run_.path()), (std::vector<std::string>{kAlbum, "other"}));
}

TEST_F(DownloadLoopTest, ASecondRunOverwritesTheFilesAndTheFileSystemGetsUtf8Names) {
    const Text id = "旅行相册"_gbk;
    const std::string folder = run_.path() + "/旅行相册";
    std::filesystem::create_directory(folder);
    albumId_ = [id] { return id; };
    writeFile_ = [](const std::string& path, const Bytes& bytes) {
        return platform::gui::writeWholeFile(path, bytes + "stale");
    };
    runLoop();
    writeFile_ = [](const std::string& path, const Bytes& bytes) {
        return platform::gui::writeWholeFile(path, bytes);
    };
    runLoop();
    EXPECT_EQ(readFile(folder + "/2.jpg"), service_.photoBytes(kAlbum, 2));
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(lines_.back(), line(3, "下载完成 "_gbk, 6, id));
}

}  // namespace
