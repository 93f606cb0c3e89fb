// Start-up and exit: the order of the steps, the exit routine that runs once, and the rule that
// the network library is stopped only after it started.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/control_names.h"
#include "app/globals.h"
#include "app/program.h"
#include "app/socket_library_guard.h"
#include "platform/gui_files.h"
#include "platform/gui_runtime.h"
#include "tests/app/app_test_support.h"
#include "text/codepage.h"
#include "text/gbk_literal.h"

namespace {

// The run time changes the current directory; every test here puts it back.
class ProgramTest : public ::testing::Test {
  protected:
    ~ProgramTest() override { std::filesystem::current_path(original_); }

  private:
    std::filesystem::path original_ = std::filesystem::current_path();
};

// A network library that writes what happens to it into a shared log.
NetworkLibrary loggingLibrary(std::vector<std::string>& log, int startResult) {
    return {[&log, startResult] {
                log.push_back("start");
                return startResult;
            },
            [&log] { log.push_back("stop"); }};
}

TEST(SocketLibraryGuard, StopsOnlyAfterAStartThatSucceeded) {
    struct Case {
        const char* label;
        int startResult;
        int initialiseCalls;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"started", 0, 1, {"start", "stop"}},
        {"start failed", 10093, 1, {"start"}},
        {"never initialised", 0, 0, {}},
        {"initialised twice", 0, 2, {"start", "stop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<std::string> log;
        {
            SocketLibraryGuard guard(loggingLibrary(log, c.startResult));
            EXPECT_EQ(guard.startupResult, 0);
            for (int i = 0; i < c.initialiseCalls; ++i)
                guard.initialise();
            EXPECT_EQ(guard.startupResult, c.initialiseCalls > 0 ? c.startResult : 0);
        }
        EXPECT_EQ(log, c.log);
    }
}

TEST(Globals, ReleaseEmptiesTheListAndStopsTheLibrary) {
    std::vector<std::string> log;
    initGlobals(loggingLibrary(log, 0));
    EXPECT_TRUE(photoUrlList.empty());
    socketGuard->initialise();
    photoUrlList = {"http://a/1.jpg", "http://a/2.jpg"};
    releaseGlobals();
    EXPECT_TRUE(photoUrlList.empty());
    EXPECT_EQ(photoUrlList.capacity(), 0u);
    EXPECT_FALSE(socketGuard.has_value());
    EXPECT_EQ(log, (std::vector<std::string>{"start", "stop"}));
}

TEST_F(ProgramTest, RuntimeCallsTheExitRoutineExactlyOnce) {
    apptest::TemporaryDirectory folder;
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    int calls = 0;
    {
        platform::gui::Runtime runtime(argc, argv, folder.path());
        runtime.registerExitRoutine([&] { ++calls; });
        runtime.endProgram();
        runtime.endProgram();
        EXPECT_EQ(calls, 1);
    }
    EXPECT_EQ(calls, 1) << "ending the run time does not call it again";
}

TEST_F(ProgramTest, RuntimeFixesTheRunDirectoryAndMakesItCurrent) {
    apptest::TemporaryDirectory folder;
    const std::string chinese = folder.path() + "/下载工具";
    std::filesystem::create_directory(chinese);
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    {
        platform::gui::Runtime runtime(argc, argv, chinese + "/");
        EXPECT_EQ(runtime.runDirectoryPath(), chinese) << "no trailing separator";
        EXPECT_EQ(runtime.runDirectoryText(), utf8ToGbk(chinese));
        EXPECT_EQ(std::filesystem::current_path(), chinese);
    }
    {
        // A name GBK cannot hold: the text shows '?', the file system keeps the real bytes.
        const std::string other = folder.path() + "/café😀";
        std::filesystem::create_directory(other);
        platform::gui::Runtime runtime(argc, argv, other);
        EXPECT_EQ(runtime.runDirectoryPath(), other);
        EXPECT_EQ(runtime.runDirectoryText(), utf8ToGbk(folder.path()) + "/caf\xA8\xA6?");
    }
    {
        platform::gui::Runtime runtime(argc, argv);
        EXPECT_EQ(runtime.runDirectoryPath(), platform::gui::executableDirectory());
    }
}

struct StartupCase {
    const char* label;
    int startResult;
    std::vector<std::string> log;
};

TEST_F(ProgramTest, StartsShowsRunsTheLoopAndReleasesOnceAtExit) {
    const StartupCase cases[] = {
        {"library started", 0, {"start", "shown", "closing", "stop"}},
        {"library failed to start", 10093, {"start", "shown", "closing"}},
    };
    for (const StartupCase& c : cases) {
        SCOPED_TRACE(c.label);
        apptest::TemporaryDirectory folder;
        std::vector<std::string> log;
        apptest::MessageRecorder recorder;
        bool fetchLocked = false;
        std::int32_t startupResult = -1;
        ProgramOptions options;
        options.runDirectory = folder.path();
        options.networkLibrary = loggingLibrary(log, c.startResult);
        options.messageBox = recorder.function();
        options.started = [&](platform::gui::Window& window) {
            log.push_back("shown");
            fetchLocked = !window.button(controls::kFetchPhotosButton).isEnabled();
            startupResult = socketGuard->startupResult;
            EXPECT_TRUE(window.widget()->isVisible());
            // Closing the last window ends the event loop.
            QTimer::singleShot(0, [&log, &window] {
                log.push_back("closing");
                window.close();
            });
        };
        int argc = 1;
        char name[] = "app_tests";
        char* argv[] = {name, nullptr};
        EXPECT_EQ(runProgram(argc, argv, std::move(options)), 0);
        EXPECT_EQ(log, c.log);
        EXPECT_TRUE(fetchLocked);
        EXPECT_EQ(startupResult, c.startResult);
        EXPECT_FALSE(socketGuard.has_value()) << "released at exit";
        EXPECT_TRUE(recorder.messages().empty());
    }
}

}  // namespace
