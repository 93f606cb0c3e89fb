// Creating one folder level and writing whole files: complete or absent, never truncated.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/gui_files.h"
#include "tests/app/app_test_support.h"

namespace {

using apptest::folderEntries;
using apptest::readFile;

TEST(CreateDirectory, MakesOneLevelAndFailsQuietlyOtherwise) {
    apptest::TemporaryDirectory root;
    struct Case {
        const char* label;
        std::string path;
        bool created;
    };
    const Case cases[] = {
        {"new folder", root.path() + "/album", true},
        {"exists already", root.path() + "/album", false},
        {"parent missing", root.path() + "/missing/album", false},
        {"Chinese name", root.path() + "/相册", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(platform::gui::createDirectory(c.path), c.created);
    }
    EXPECT_EQ(folderEntries(root.path()), (std::vector<std::string>{"album", "相册"}));
}

TEST(WriteWholeFile, WritesAndReplacesExactBytesLeavingNothingElse) {
    apptest::TemporaryDirectory root;
    const std::string path = root.path() + "/1.jpg";
    const std::string first = std::string("\xFF\xD8\x00\x01", 4) + std::string(100000, 'a');
    ASSERT_TRUE(platform::gui::writeWholeFile(path, first));
    EXPECT_EQ(readFile(path), first);
    ASSERT_TRUE(platform::gui::writeWholeFile(path, "short"));
    EXPECT_EQ(readFile(path), "short");
    ASSERT_TRUE(platform::gui::writeWholeFile(path, ""));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(folderEntries(root.path()), std::vector<std::string>{"1.jpg"});
}

TEST(WriteWholeFile, AFailedWriteLeavesNeitherAFileNorATemporaryOne) {
    apptest::TemporaryDirectory root;
    std::filesystem::create_directory(root.path() + "/folder");
    std::filesystem::create_directory(root.path() + "/2.jpg");  // a folder where the file goes
    struct Case {
        const char* label;
        std::string path;
    };
    const Case cases[] = {
        {"missing folder", root.path() + "/missing/1.jpg"},
        {"name taken by a folder", root.path() + "/2.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_FALSE(platform::gui::writeWholeFile(c.path, "photo bytes"));
    }
    EXPECT_EQ(folderEntries(root.path()), (std::vector<std::string>{"2.jpg", "folder"}));
    EXPECT_TRUE(folderEntries(root.path() + "/2.jpg").empty());
}

TEST(ExecutableDirectory, IsTheTestProgramsFolderWithoutTrailingSeparator) {
    const std::string folder = platform::gui::executableDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(
        folder + "/" + std::filesystem::read_symlink("/proc/self/exe").filename().string()));
}

}  // namespace
