#include "platform/gui_runtime.h"

#include <QApplication>

#include <unistd.h>

#include "platform/codepage.h"
#include "platform/gui_files.h"

namespace platform::gui {
namespace {

constexpr int kCodePageUtf8 = 65001;
constexpr int kCodePageGbk = 936;

// File names are UTF-8 here; the program's text is GBK. A character GBK lacks shows as '?' in
// the text form only: the file system keeps getting the path's own bytes.
std::string pathAsText(const std::string& path) {
    return codepage::encode(codepage::decode(path, kCodePageUtf8), kCodePageGbk,
                            codepage::Unmappable::DefaultChar);
}

std::string withoutTrailingSeparator(std::string path) {
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

Runtime::Runtime(int& argc, char** argv, std::optional<std::string> runDirectory) {
    if (QApplication::instance() == nullptr)
        application_ = std::make_unique<QApplication>(argc, argv);
    runDirectoryPath_ =
        runDirectory ? withoutTrailingSeparator(*runDirectory) : executableDirectory();
    runDirectoryText_ = pathAsText(runDirectoryPath_);
    const std::string current = runDirectoryPath_.empty() ? "/" : runDirectoryPath_;
    // The program names its files by full paths: a failed change of directory would only
    // matter to relative ones.
    [[maybe_unused]] const int changed = ::chdir(current.c_str());
}

Runtime::~Runtime() {
    endProgram();
}

void Runtime::registerExitRoutine(std::function<void()> routine) {
    exitRoutine_ = std::move(routine);
}

int Runtime::runEventLoop() {
    const int status = QApplication::exec();
    endProgram();
    return status;
}

void Runtime::endProgram() {
    if (ended_)
        return;
    ended_ = true;
    if (exitRoutine_)
        exitRoutine_();
}

}  // namespace platform::gui
