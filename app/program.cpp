#include "app/program.h"

#include <cstdio>

#include <QtGlobal>

#include "app/globals.h"
#include "app/main_window.h"
#include "platform/gui_runtime.h"

namespace {

constexpr const char* kMainWindowForm = ":/app/main_window.ui";

}  // namespace

// The form and the bundled page live in this library's resources, which a static library has
// to register by hand. Outside any namespace: the macro declares the registration function
// where it stands.
static void registerResources() {
    Q_INIT_RESOURCE(app);
}

std::unique_ptr<platform::gui::Window> loadMainWindow(std::string& error) {
    registerResources();
    return platform::gui::Window::load(kMainWindowForm, error);
}

int runProgram(int& argc, char** argv, ProgramOptions options) {
    platform::gui::Runtime runtime(argc, argv, options.runDirectory);
    initGlobals(std::move(options.networkLibrary));
    runtime.registerExitRoutine(releaseGlobals);
    socketGuard->initialise();

    std::string error;
    const std::unique_ptr<platform::gui::Window> window = loadMainWindow(error);
    if (!window) {
        std::fprintf(stderr, "cannot load the main window: %s\n", error.c_str());
        return 1;
    }
    MainWindow handlers(*window, {runtime.runDirectoryPath(), runtime.runDirectoryText(),
                                  std::move(options.messageBox)});
    handlers.created();
    window->show();
    if (options.started)
        options.started(*window);
    runtime.runEventLoop();
    return 0;
}
