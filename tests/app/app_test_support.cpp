#include "tests/app/app_test_support.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/globals.h"
#include "app/program.h"
#include "text/codepage.h"

namespace apptest {

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qza-app-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

platform::gui::MessageBoxFunction MessageRecorder::function() {
    return [messages = messages_, action = action_](const std::string& text,
                                                    const std::string& title) {
        messages->push_back({text, title});
        if (*action)
            (*action)(messages->back());
    };
}

void typeInto(QWidget* box, const QString& text) {
    for (QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(box, &release);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::vector<std::string> folderEntries(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::unique_ptr<platform::gui::Window> loadWindow() {
    std::string error;
    std::unique_ptr<platform::gui::Window> window = loadMainWindow(error);
    if (!window)
        throw std::runtime_error("cannot load the main window: " + error);
    return window;
}

std::unique_ptr<platform::gui::Window> loadShownWindow() {
    std::unique_ptr<platform::gui::Window> window = loadWindow();
    window->show();
    return window;
}

// In the program's order: handlers bound, created event, then shown.
WindowHarness::WindowHarness() : window_(loadWindow()) {
    photoUrlList.clear();
    downloadCounter = 0;
    handlers_ = std::make_unique<MainWindow>(
        *window_, WindowServices{runDirectory(), utf8ToGbk(runDirectory()), recorder_.function()});
    handlers_->created();
    window_->show();
}

WindowHarness::~WindowHarness() = default;

}  // namespace apptest
