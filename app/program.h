// The program's start-up sequence and its end: globals, exit routine, network library, the main
// window and the event loop.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/socket_library_guard.h"
#include "platform/gui_message_box.h"
#include "platform/gui_window.h"

struct ProgramOptions {
    // Another run directory than the executable's folder.
    std::optional<std::string> runDirectory;
    NetworkLibrary networkLibrary = NetworkLibrary::system();
    platform::gui::MessageBoxFunction messageBox = platform::gui::showMessageBox;
    // Called once the window is shown, right before the event loop starts.
    std::function<void(platform::gui::Window&)> started;
};

// Runs the program until its window is closed; 0 then, 1 when the window cannot be loaded.
int runProgram(int& argc, char** argv, ProgramOptions options = {});

// The main window as stored in the program's resources; null with the reason in `error` when
// it cannot be loaded.
std::unique_ptr<platform::gui::Window> loadMainWindow(std::string& error);
