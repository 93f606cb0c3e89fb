// The window run time: the application object, the run directory, the event loop and the exit
// routine that runs exactly once when the program ends.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace platform::gui {

class Runtime {
  public:
    // Creates the application object unless the process has one already, fixes the run
    // directory (the executable's folder unless `runDirectory` names another) and makes it the
    // current directory.
    Runtime(int& argc, char** argv, std::optional<std::string> runDirectory = std::nullopt);
    // Ends the program if runEventLoop has not: the exit routine still runs once.
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // The run directory as the file system names it, never ending in a separator.
    const std::string& runDirectoryPath() const { return runDirectoryPath_; }
    // The same directory as program text (GBK), for what the user reads.
    const std::string& runDirectoryText() const { return runDirectoryText_; }

    // The routine to call when the program ends.
    void registerExitRoutine(std::function<void()> routine);

    // Runs the event loop until the last window has closed, then ends the program.
    int runEventLoop();

    // Calls the exit routine; a second call does nothing.
    void endProgram();

  private:
    std::unique_ptr<QApplication> application_;
    std::string runDirectoryPath_;
    std::string runDirectoryText_;
    std::function<void()> exitRoutine_;
    bool ended_ = false;
};

}  // namespace platform::gui
