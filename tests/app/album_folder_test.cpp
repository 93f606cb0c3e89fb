// The album ID rule that keeps every photo inside run directory / album ID, and the folder's
// name as the file system gets it.
#include <gtest/gtest.h>

#include <string>

#include "download/album_folder.h"
#include "text/gbk_literal.h"

namespace {

TEST(IsSafeAlbumId, AcceptsOneFolderNameAndRefusesEverythingThatLeadsElsewhere) {
    struct Case {
        const char* label;
        std::string albumId;
        bool safe;
    };
    const Case cases[] = {
        {"service album ID", "V13jHp5R0k3S5c", true},
        {"Chinese", "旅行相册"_gbk, true},
        {"spaces only", "  ", true},
        {"three dots", "...", true},
        {"backslash as trail byte of a Chinese character", "\x81\x5C", true},
        {"empty: the run directory itself", "", false},
        {"dot", ".", false},
        {"dot dot", "..", false},
        {"slash inside", "a/b", false},
        {"leading slash", "/etc", false},
        {"parent path", "../x", false},
        {"backslash", "a\\b", false},
        {"tab", "a\tb", false},
        {"line break", "a\r\nb", false},
        {"delete character", "a\x7F", false},
        {"lead byte before a slash decodes to a slash", "\x81/x", false},
        {"euro sign byte before a backslash", "\x80\\", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(isSafeAlbumId(c.albumId), c.safe);
    }
}

TEST(AlbumFolderPath, KeepsTheRunDirectoryBytesAndGivesTheAlbumIdInUtf8) {
    EXPECT_EQ(albumFolderPath("/opt/qza", "12345"), "/opt/qza/12345");
    EXPECT_EQ(albumFolderPath("/home/ü/下载", "相册"_gbk), "/home/ü/下载/相册");
    EXPECT_EQ(albumFolderPath("", "a"), "/a");
}

}  // namespace
