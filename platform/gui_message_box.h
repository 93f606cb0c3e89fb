// The message box: a text and a title, an OK button only, no icon, no owner window, modal for
// the whole application. Callers hold it as a MessageBoxFunction so that tests can put a
// recorder in its place and run the handlers without anyone to press OK.
#pragma once

#include <functional>
#include <string>

namespace platform::gui {

using MessageBoxFunction =
    std::function<void(const std::string& gbkText, const std::string& gbkTitle)>;

// Shows the box and returns when the user has dismissed it.
void showMessageBox(const std::string& gbkText, const std::string& gbkTitle);

}  // namespace platform::gui
