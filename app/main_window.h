// The main window's handlers: the chain of events from the account number to the saved album.
//
// A click on 按钮1 lists the albums; a click on 按钮4 writes the album's photo URLs into the
// off-screen box 编辑框1, whose changed handler writes the line count into 编辑框2, whose
// changed handler downloads the album. Every program write runs the box's changed handler to
// its end before it returns, so the whole download happens inside the click.
#pragma once

#include <string>

#include "download/download_loop.h"
#include "platform/gui_message_box.h"
#include "platform/gui_window.h"
#include "text/types.h"

struct WindowServices {
    // The run directory as the file system names it and as the user reads it.
    std::string runDirectoryPath;
    Text runDirectory;
    platform::gui::MessageBoxFunction messageBox = platform::gui::showMessageBox;
};

class MainWindow {
  public:
    // Connects the handlers to the window's controls.
    MainWindow(platform::gui::Window& window, WindowServices services);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The window's created event: shows the bundled page and locks 按钮4 until an album list
    // has been fetched.
    void created();

  private:
    void albumListClicked();
    void fetchPhotosClicked();
    void urlBoxChanged();
    void countBoxChanged();
    void copyClicked();
    void runDownload();

    platform::gui::Window& window_;
    WindowServices services_;
};
