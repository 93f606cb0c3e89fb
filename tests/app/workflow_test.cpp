// The window's handlers end to end: account number -> album list -> album ID -> photo list ->
// count box -> download, against a fake album service on loopback.
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/control_names.h"
#include "app/globals.h"
#include "tests/app/app_test_support.h"
#include "tests/fixtures/fake_album_service.h"
#include "tests/fixtures/http_recorder.h"
#include "text/codepage.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace {

using apptest::folderEntries;
using apptest::readFile;
using fixtures::FakeAlbum;
using fixtures::PhotoFault;
namespace names = controls;

constexpr char kAccount[] = "10001";
constexpr char kPhotoListPath[] = "/fcgi-bin/fcg_list_photo_v2";

const Text& allSaved() {
    return "这个相册的所有照片下载完成如需下其他相册请更换相册ID继续"_gbk;
}

class WorkflowTest : public ::testing::Test {
  protected:
    WorkflowTest() {
        service_.setAlbums(kAccount, {FakeAlbum{"A1", "旅行"_gbk, 3, 4096, {}},
                                      FakeAlbum{"A2", "家人"_gbk, 2, 4096, {}},
                                      FakeAlbum{"A0", "空相册"_gbk, 0, 4096, {}}});
    }

    platform::gui::EditBox& box(const char* name) { return harness_.box(name); }
    platform::gui::Button& button(const char* name) { return harness_.button(name); }

    void listAlbums(const Text& account = kAccount) {
        box(names::kAccountBox).setText(account);
        button(names::kAlbumListButton).click();
    }
    void download(const Text& albumId) {
        box(names::kAlbumIdBox).setText(albumId);
        button(names::kFetchPhotosButton).click();
    }
    std::string photoPath(const std::string& album, int n) const {
        return harness_.runDirectory() + "/" + album + "/" + std::to_string(n) + ".jpg";
    }
    Text statusLine(const std::string& album, int n, int counter) const {
        return utf8ToGbk(harness_.runDirectory()) + "/" + album + "/" + std::to_string(n) + ".jpg" +
               "下载完成 "_gbk + std::to_string(counter) + "\r\n";
    }
    Text urlLines(const std::string& album, int count) const {
        Text lines;
        for (int n = 1; n <= count; ++n)
            lines += service_.photoUrl(album, n) + "\r\n";
        return lines;
    }
    std::size_t photoListRequests() const { return service_.requestsTo(kPhotoListPath).size(); }

    fixtures::FakeAlbumService service_;
    fixtures::ScopedEnvironment connectTo_{"QZONE_ALBUM_CONNECT_TO", service_.connectToValue()};
    apptest::WindowHarness harness_;
};

TEST_F(WorkflowTest, FromTheAccountNumberToTheSavedFiles) {
    listAlbums();
    EXPECT_EQ(box(names::kAlbumListBox).text(), "A1----旅行\r\nA2----家人\r\nA0----空相册\r\n"_gbk);
    ASSERT_TRUE(button(names::kFetchPhotosButton).isEnabled());

    // What the user sees when the completion message comes up.
    std::size_t membersAtMessage = 0;
    harness_.recorder().whileShown(
        [&](const apptest::Message&) { membersAtMessage = photoUrlList.size(); });
    download("A1");

    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(readFile(photoPath("A1", n)), service_.photoBytes("A1", n)) << n;
    EXPECT_EQ(folderEntries(harness_.runDirectory() + "/A1"),
              (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(box(names::kUrlBox).text(), urlLines("A1", 3));
    EXPECT_EQ(box(names::kCountBox).text(), "4") << "N URLs, each ending in CRLF: N + 1 lines";
    EXPECT_EQ(photoUrlList, splitText(urlLines("A1", 3), "\r\n"));
    EXPECT_EQ(membersAtMessage, 3u);
    EXPECT_EQ(box(names::kStatusBox).text(),
              statusLine("A1", 1, 1) + statusLine("A1", 2, 2) + statusLine("A1", 3, 3));
    ASSERT_EQ(harness_.messages().size(), 1u);
    EXPECT_EQ(harness_.messages()[0].text, allSaved());
    EXPECT_EQ(harness_.messages()[0].title, "下载完成"_gbk);
}

TEST_F(WorkflowTest, TheCounterGoesOnIntoASecondAlbumWhoseFilesStartAtOne) {
    listAlbums();
    download("A1");
    download("A2");
    EXPECT_EQ(box(names::kStatusBox).text(), statusLine("A2", 1, 4) + statusLine("A2", 2, 5));
    EXPECT_EQ(readFile(photoPath("A2", 1)), service_.photoBytes("A2", 1));
    EXPECT_EQ(downloadCounter, 5);
    EXPECT_EQ(box(names::kCountBox).text(), "3");
}

TEST_F(WorkflowTest, ClickingTwiceDownloadsTheAlbumTwiceAndOverwritesItsFiles) {
    listAlbums();
    download("A1");
    std::filesystem::resize_file(photoPath("A1", 2), 10);
    // Same texts in 编辑框1 and 编辑框2: the chain runs all the same.
    button(names::kFetchPhotosButton).click();
    EXPECT_EQ(readFile(photoPath("A1", 2)), service_.photoBytes("A1", 2));
    EXPECT_EQ(box(names::kStatusBox).text(),
              statusLine("A1", 1, 4) + statusLine("A1", 2, 5) + statusLine("A1", 3, 6));
    EXPECT_EQ(harness_.messages().size(), 2u);
}

TEST_F(WorkflowTest, AnEmptyOrUnsafeAlbumIdOnlyShowsAPrompt) {
    struct Case {
        const char* label;
        Text albumId;
        Text prompt;
    };
    const Text unsafe =
        "相册ID不能是“.”或“..”，也不能含有斜杠“/”、反斜杠“\\”或控制字符，请重新复制相册ID"_gbk;
    const Case cases[] = {
        {"empty", "", "请先复制要下载的相册ID相册ID在上面提取"_gbk},
        {"parent folder", "..", unsafe},
        {"path", "../../tmp/x", unsafe},
        {"backslash", "A1\\..", unsafe},
        {"line break", "A1\r\n", unsafe},
    };
    listAlbums();
    box(names::kStatusBox).setText("kept");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::size_t before = harness_.messages().size();
        download(c.albumId);
        ASSERT_EQ(harness_.messages().size(), before + 1);
        EXPECT_EQ(harness_.messages().back().text, c.prompt);
        EXPECT_EQ(harness_.messages().back().title, "提示"_gbk);
    }
    EXPECT_EQ(photoListRequests(), 0u);
    EXPECT_EQ(box(names::kStatusBox).text(), "kept");
    EXPECT_TRUE(folderEntries(harness_.runDirectory()).empty());
    EXPECT_EQ(downloadCounter, 0);
}

TEST_F(WorkflowTest, ASpacesOnlyAlbumIdIsNotEmptyAndPasses) {
    listAlbums();
    download("  ");
    EXPECT_EQ(photoListRequests(), 1u);
    EXPECT_EQ(folderEntries(harness_.runDirectory()), std::vector<std::string>{"  "});
    EXPECT_EQ(harness_.messages().back().text, allSaved()) << "an unknown album has no photos";
}

TEST_F(WorkflowTest, TypingIntoTheCountBoxDownloadsTheUrlBoxAgain) {
    listAlbums();
    download("A1");
    std::filesystem::remove(photoPath("A1", 3));
    apptest::typeInto(box(names::kCountBox).widget(), QStringLiteral("9"));
    EXPECT_EQ(readFile(photoPath("A1", 3)), service_.photoBytes("A1", 3));
    EXPECT_EQ(downloadCounter, 6);
    EXPECT_EQ(harness_.messages().size(), 2u);
    // Not emptied by this path: the second run's lines follow the first run's.
    EXPECT_EQ(textLength(box(names::kStatusBox).text()), 6 * textLength(statusLine("A1", 1, 1)));
}

TEST_F(WorkflowTest, TypingIntoTheCountBoxWithAnEmptyUrlBoxOnlyShowsTheMessage) {
    apptest::typeInto(box(names::kCountBox).widget(), QStringLiteral("1"));
    EXPECT_TRUE(service_.requests().empty());
    EXPECT_TRUE(photoUrlList.empty());
    ASSERT_EQ(harness_.messages().size(), 1u);
    EXPECT_EQ(harness_.messages()[0].text, allSaved());
}

TEST_F(WorkflowTest, TheAlbumIdEditedDuringTheWaitIsCheckedAndFollowed) {
    struct Case {
        const char* label;
        Text newId;
        bool folderExists;
        bool saved;
    };
    const Case cases[] = {
        {"existing folder", "A9", true, true},
        {"folder nobody created", "A8", false, false},
        {"leads outside the run directory", "../outside", false, false},
        {"emptied", "", false, false},
    };
    listAlbums();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.folderExists)
            std::filesystem::create_directory(harness_.runDirectory() + "/" + c.newId);
        // Fires inside the 1000 ms wait that comes before the download.
        QTimer::singleShot(300, [&] { box(names::kAlbumIdBox).setText(c.newId); });
        download("A1");
        const bool written = std::filesystem::exists(photoPath(c.newId, 1));
        EXPECT_EQ(written, c.saved);
        const Text& last = harness_.messages().back().text;
        EXPECT_EQ(last == allSaved(), c.saved);
    }
    EXPECT_TRUE(folderEntries(harness_.runDirectory() + "/A1").empty())
        << "the folder of the ID at the click stays empty";
    EXPECT_FALSE(std::filesystem::exists(harness_.runDirectory() + "/../outside"));
    EXPECT_EQ(folderEntries(harness_.runDirectory()), (std::vector<std::string>{"A1", "A9"}));
}

TEST_F(WorkflowTest, TheDownloadButtonStaysLockedUntilANonEmptyAlbumList) {
    EXPECT_FALSE(button(names::kFetchPhotosButton).isEnabled());
    button(names::kFetchPhotosButton).click();
    EXPECT_TRUE(harness_.messages().empty()) << "a locked button does nothing";

    listAlbums("20002");  // no albums
    EXPECT_EQ(box(names::kAlbumListBox).text(), "");
    EXPECT_FALSE(button(names::kFetchPhotosButton).isEnabled());

    listAlbums();
    EXPECT_TRUE(button(names::kFetchPhotosButton).isEnabled());

    listAlbums("20002");
    EXPECT_EQ(box(names::kAlbumListBox).text(), "") << "every click replaces the whole list";
    EXPECT_TRUE(button(names::kFetchPhotosButton).isEnabled()) << "never locked again";
}

TEST_F(WorkflowTest, AFailedRouteLookupEmptiesTheAlbumList) {
    listAlbums();
    service_.setRouteReply(std::string("not a route reply"));
    listAlbums();
    EXPECT_EQ(box(names::kAlbumListBox).text(), "");
}

// The route lookup's own limit is 60 s, too long for a test: a route that answers slowly shows
// that the window keeps processing events while the lookup waits.
TEST_F(WorkflowTest, TheWindowKeepsProcessingEventsWhileTheRouteLookupWaits) {
    service_.setRouteDelay(std::chrono::milliseconds(1500));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    // A user edit while the lookup waits: the lookup reads the account box itself.
    QTimer::singleShot(200, [&] { apptest::typeInto(box(names::kAlbumIdBox).widget(), "A1"); });
    listAlbums();
    ticker.stop();
    EXPECT_GE(ticks, 10);
    EXPECT_EQ(box(names::kAlbumIdBox).text(), "A1");
    EXPECT_EQ(box(names::kAlbumListBox).text(), "A1----旅行\r\nA2----家人\r\nA0----空相册\r\n"_gbk);
}

TEST_F(WorkflowTest, TheUrlBoxCountsDisplayLinesAndTheListGetsOneMemberPerUrl) {
    struct Case {
        const char* label;
        Text urls;
        int minimumCount;
        std::size_t members;
    };
    const Text longUrl = service_.photoUrl("A1", 1) + "?" + std::string(500, 'q');
    const Case cases[] = {
        {"empty box", "", 1, 0},
        {"N URLs", urlLines("A1", 2), 3, 2},
        {"a URL wider than the box", urlLines("A1", 2) + longUrl + "\r\n", 5, 3},
    };
    box(names::kAlbumIdBox).setText("A1");
    std::filesystem::create_directory(harness_.runDirectory() + "/A1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        box(names::kUrlBox).setText(c.urls);
        const int count = textToInt(box(names::kCountBox).text());
        if (c.members == 3)
            EXPECT_GE(count, c.minimumCount);
        else
            EXPECT_EQ(count, c.minimumCount);
        EXPECT_EQ(photoUrlList.size(), c.members);
    }
}

TEST_F(WorkflowTest, ANestedChainDuringTheWaitReplacesTheListForTheOuterChainToo) {
    box(names::kAlbumIdBox).setText("A2");
    std::filesystem::create_directory(harness_.runDirectory() + "/A2");
    // The first chain waits; a second program write into 编辑框1 runs a whole chain of its own
    // there, with another list. The outer download then finds the list the inner chain built,
    // and the outer 编辑框1 handler rebuilds it last from what the box holds.
    QTimer::singleShot(300, [&] { box(names::kUrlBox).setText(urlLines("A2", 2)); });
    box(names::kUrlBox).setText(urlLines("A1", 3));
    ASSERT_EQ(harness_.messages().size(), 2u);
    EXPECT_EQ(downloadCounter, 4) << "inner: 2 photos, then outer: the same 2 again";
    EXPECT_EQ(photoUrlList, splitText(urlLines("A2", 2), "\r\n"));
    EXPECT_EQ(box(names::kCountBox).text(), "3")
        << "the inner chain's count came after the outer's";
    EXPECT_EQ(readFile(photoPath("A2", 2)), service_.photoBytes("A2", 2));
    EXPECT_FALSE(std::filesystem::exists(photoPath("A2", 3)));
}

TEST_F(WorkflowTest, TheOffScreenButtonsCopyTheUrlsAndDownloadTheListAsItStands) {
    box(names::kUrlBox).setText(urlLines("A1", 2));
    button(names::kCopyButton).click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(urlLines("A1", 2)));

    // 按钮3 downloads photoUrlList without rebuilding it from 编辑框1.
    photoUrlList = {service_.photoUrl("A1", 3)};
    box(names::kAlbumIdBox).setText("A1");
    std::filesystem::create_directory(harness_.runDirectory() + "/A1");
    const std::size_t before = harness_.messages().size();
    button(names::kDownloadButton).click();
    EXPECT_EQ(readFile(photoPath("A1", 1)), service_.photoBytes("A1", 3));
    EXPECT_EQ(harness_.messages().size(), before + 1);
}

// Records how many status lines the box held each time it was painted.
class StatusPaints : public QObject {
  public:
    explicit StatusPaints(platform::gui::EditBox& box) : box_(box) {}
    std::vector<int> linesAtPaint;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            linesAtPaint.push_back(static_cast<int>(splitText(box_.text(), "\r\n").size()));
        return false;
    }

  private:
    platform::gui::EditBox& box_;
};

TEST_F(WorkflowTest, TheStatusBoxShowsEachLineAsThePhotoArrives) {
    service_.setAlbums(kAccount,
                       {FakeAlbum{"A5", "五张"_gbk, 5, 4096, {{3, PhotoFault::notFound}}}});
    listAlbums();
    platform::gui::EditBox& status = box(names::kStatusBox);
    StatusPaints paints(status);
    auto* viewport = static_cast<QPlainTextEdit*>(status.widget())->viewport();
    viewport->installEventFilter(&paints);
    download("A5");
    viewport->removeEventFilter(&paints);
    for (int lines = 1; lines <= 5; ++lines)
        EXPECT_NE(std::find(paints.linesAtPaint.begin(), paints.linesAtPaint.end(), lines),
                  paints.linesAtPaint.end())
            << "never painted with " << lines << " lines";
    EXPECT_EQ(harness_.messages().back().text,
              "这个相册有1张照片下载失败，请检查网络后重新下载"_gbk);
}

}  // namespace
