// The built program as its own process, on a virtual X display, driven the way a user drives
// it: typing into the boxes and clicking the buttons at their places in the window, pressing
// Enter on the message box; the album it saves is compared with what the fake service served.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/app_test_support.h"
#include "tests/fixtures/fake_album_service.h"
#include "text/gbk_literal.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A child process started here and ended here, by its id.
class ChildProcess {
  public:
    // Output goes to `logFile` ("/dev/null" when not given).
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                 std::optional<int> inheritedFd = std::nullopt,
                 const std::string& logFile = "/dev/null") {
        std::vector<std::string> env = extraEnv;
        for (char** entry = environ; *entry != nullptr; ++entry)
            env.emplace_back(*entry);  // the first definition of a name wins
        std::vector<char*> args = pointers(argv);
        std::vector<char*> envp = pointers(env);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        if (inheritedFd)
            posix_spawn_file_actions_adddup2(&actions, *inheritedFd, *inheritedFd);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // A child found ended is reaped here and forgotten: its id may go to another process.
    bool running() {
        if (pid_ <= 0)
            return false;
        if (::waitpid(pid_, nullptr, WNOHANG) == 0)
            return true;
        pid_ = -1;
        return false;
    }

  private:
    static std::vector<char*> pointers(const std::vector<std::string>& strings) {
        std::vector<char*> out;
        for (const std::string& s : strings)
            out.push_back(const_cast<char*>(s.c_str()));
        out.push_back(nullptr);
        return out;
    }
    pid_t pid_ = -1;
};

struct PipeDeleter {
    void operator()(FILE* pipe) const { ::pclose(pipe); }
};

// Runs a shell command and returns its standard output.
std::string commandOutput(const std::string& command) {
    std::unique_ptr<FILE, PipeDeleter> pipe(::popen(command.c_str(), "r"));
    if (!pipe)
        return "";
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr)
        out += buffer;
    return out;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return condition();
}

// A virtual X display of its own; it picks a free display number and reports it on a pipe.
class VirtualDisplay {
  public:
    VirtualDisplay() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "800x600x24", "-nolisten", "tcp"},
            std::vector<std::string>{}, fds[1]);
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (server_->started() && readable(fds[0]) && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty())
            name_ = ":" + number;
    }
    bool ready() const { return !name_.empty(); }
    const std::string& name() const { return name_; }

  private:
    // A server that hangs before it reports its display counts as one that cannot start.
    static bool readable(int fd) {
        pollfd wanted{fd, POLLIN, 0};
        return ::poll(&wanted, 1, 20000) == 1;
    }

    std::unique_ptr<ChildProcess> server_;
    std::string name_;
};

std::string builtExecutable() {
    if (const char* dir = std::getenv("QZA_TEST_BINARY_DIR"))
        return std::string(dir) + "/app/qzone-album-downloader";
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "app" /
            "qzone-album-downloader")
        .string();
}

// Window-relative places of the controls (centres), from the form: the window's client area
// starts at the window's top left corner on a display without a window manager.
struct Point {
    int x;
    int y;
};
constexpr Point kAccountBox{16 + 12 + 62, 9 + 17 + 10};
constexpr Point kAlbumListButton{16 + 146 + 40, 9 + 13 + 13};
constexpr Point kAlbumIdBox{16 + 12 + 62, 172 + 17 + 10};
constexpr Point kFetchPhotosButton{16 + 142 + 40, 172 + 12 + 13};

class Driver {
  public:
    explicit Driver(std::string display) : display_(std::move(display)) {}

    std::string run(const std::string& arguments) const {
        // Bounded: a command that waits for a window state (--sync) must not hang the test.
        return commandOutput("DISPLAY=" + display_ + " timeout 20 xdotool " + arguments +
                             " 2>/dev/null");
    }
    std::string findWindow(const std::string& title) const {
        const std::string out = run("search --name '" + title + "'");
        return out.substr(0, out.find('\n'));
    }
    void click(const std::string& window, Point at) const {
        run("mousemove --window " + window + " " + std::to_string(at.x) + " " +
            std::to_string(at.y) + " click 1");
    }
    void replaceText(const std::string& window, Point at, const std::string& text) const {
        click(window, at);
        run("key --clearmodifiers ctrl+a BackSpace");
        run("type --delay 20 '" + text + "'");
    }

  private:
    std::string display_;
};

TEST(Executable, DrivenOnAVirtualDisplayItSavesTheWholeAlbum) {
    const std::string program = builtExecutable();
    ASSERT_TRUE(std::filesystem::exists(program)) << "build the program first: " << program;
    if (commandOutput("command -v xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed";
    VirtualDisplay display;
    if (!display.ready())
        GTEST_SKIP() << "Xvfb cannot start here";

    fixtures::FakeAlbumService service;
    service.setAlbums("10001", {fixtures::FakeAlbum{"A1", "旅行"_gbk, 4, 64 * 1024, {}}});
    apptest::TemporaryDirectory runDirectory;
    const std::string copy = runDirectory.path() + "/qzone-album-downloader";
    std::filesystem::copy_file(program, copy);

    const std::string programLog = runDirectory.path() + "/program.log";
    std::vector<std::string> environment = {"DISPLAY=" + display.name(), "QT_QPA_PLATFORM=xcb",
                                            "QZONE_ALBUM_CONNECT_TO=" + service.connectToValue(),
                                            "XDG_RUNTIME_DIR=" + runDirectory.path()};
    // Under AddressSanitizer with strict string checks, the X keyboard library that Qt's xcb
    // platform loads is stopped at start-up: it hands strndup a length longer than its
    // NUL-terminated buffer. The program itself keeps every other check.
    if (const char* asan = std::getenv("ASAN_OPTIONS"))
        environment.push_back(std::string("ASAN_OPTIONS=") + asan + ":strict_string_checks=0");
    ChildProcess app({copy}, environment, std::nullopt, programLog);
    ASSERT_TRUE(app.started());
    const Driver driver(display.name());
    std::string window;
    ASSERT_TRUE(waitFor(
        [&] {
            window = driver.findWindow("Vintra");
            return !window.empty();
        },
        20s))
        << "the main window did not appear; the program wrote:\n"
        << apptest::readFile(programLog);
    std::this_thread::sleep_for(500ms);

    driver.replaceText(window, kAccountBox, "10001");
    driver.click(window, kAlbumListButton);
    ASSERT_TRUE(
        waitFor([&] { return !service.requestsTo("/fcgi-bin/fcg_list_album_v2").empty(); }, 20s))
        << "no album list was requested";

    driver.replaceText(window, kAlbumIdBox, "A1");
    // 按钮4 is unlocked once the album list has arrived; a click before that does nothing.
    ASSERT_TRUE(waitFor(
        [&] {
            driver.click(window, kFetchPhotosButton);
            return waitFor(
                [&] { return !service.requestsTo("/fcgi-bin/fcg_list_photo_v2").empty(); }, 2s);
        },
        20s))
        << "no photo list was requested";

    std::string messageBox;
    ASSERT_TRUE(waitFor(
        [&] {
            messageBox = driver.findWindow("下载完成");
            return !messageBox.empty();
        },
        30s))
        << "the completion message did not appear";
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(apptest::readFile(runDirectory.path() + "/A1/" + std::to_string(n) + ".jpg"),
                  service.photoBytes("A1", n))
            << n;
    }
    EXPECT_EQ(apptest::folderEntries(runDirectory.path() + "/A1"),
              (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg", "4.jpg"}));

    driver.run("windowfocus --sync " + messageBox);
    driver.run("key Return");
    EXPECT_TRUE(waitFor([&] { return driver.findWindow("下载完成").empty(); }, 10s))
        << "Enter did not dismiss the completion message";
    EXPECT_TRUE(app.running());
}

}  // namespace
