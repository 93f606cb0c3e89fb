// What the window tests share: a temporary run directory, a message-box recorder, typing into
// a box as the user does, and the main window loaded and shown with its handlers bound to both.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/gui_message_box.h"
#include "platform/gui_window.h"

class QWidget;

namespace apptest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryDirectory {
  public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

struct Message {
    std::string text;  // GBK, as the program passed them
    std::string title;
};

// Stands in for the message box: keeps every message and runs an optional action while the
// "box" is up (where a user could act before pressing OK).
class MessageRecorder {
  public:
    platform::gui::MessageBoxFunction function();
    const std::vector<Message>& messages() const { return *messages_; }
    void whileShown(std::function<void(const Message&)> action) { *action_ = std::move(action); }

  private:
    std::shared_ptr<std::vector<Message>> messages_ = std::make_shared<std::vector<Message>>();
    std::shared_ptr<std::function<void(const Message&)>> action_ =
        std::make_shared<std::function<void(const Message&)>>();
};

// Key presses as the user types them, one edit per character.
void typeInto(QWidget* box, const QString& text);

// The file's bytes, or "" when it cannot be read; whether it exists.
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& path);

// The main window, shown (on the offscreen platform), with its created event run and its
// handlers bound to a temporary run directory and a message recorder. Starts from an empty
// photoUrlList and a download counter of 0.
class WindowHarness {
  public:
    WindowHarness();
    ~WindowHarness();

    platform::gui::Window& window() { return *window_; }
    platform::gui::EditBox& box(const char* name) { return window_->editBox(name); }
    platform::gui::Button& button(const char* name) { return window_->button(name); }
    const std::string& runDirectory() const { return runDirectory_.path(); }
    MessageRecorder& recorder() { return recorder_; }
    const std::vector<Message>& messages() const { return recorder_.messages(); }

  private:
    TemporaryDirectory runDirectory_;
    MessageRecorder recorder_;
    std::unique_ptr<platform::gui::Window> window_;
    std::unique_ptr<MainWindow> handlers_;
};

// The main window alone, without the program's handlers: as loaded, or shown.
std::unique_ptr<platform::gui::Window> loadWindow();
std::unique_ptr<platform::gui::Window> loadShownWindow();

}  // namespace apptest
