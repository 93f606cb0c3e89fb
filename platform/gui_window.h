// A window loaded from its stored description (a Qt Designer form in the program's resources):
// its controls are found by their object names and handed out as EditBox, Button and
// WebBrowser.
#pragma once

#include <QPoint>
#include <QSize>

#include <map>
#include <memory>
#include <string>

#include "platform/gui_button.h"
#include "platform/gui_edit_box.h"
#include "platform/gui_web_browser.h"

class QWidget;

namespace platform::gui {

class Window {
  public:
    // Loads the form at a resource path (":/..."). On failure: null, with the loader's reason in
    // `error`.
    static std::unique_ptr<Window> load(const std::string& resourcePath, std::string& error);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The controls by object name (UTF-8). A name the form lacks is a programming error:
    // std::out_of_range.
    EditBox& editBox(const std::string& name) const;
    Button& button(const std::string& name) const;
    WebBrowser& browser(const std::string& name) const;

    // Shows the window at its stored position (the form's "windowPosition" property) with its
    // stored size as the outer size, frame included.
    void show();
    void close();

    QWidget* widget() const { return form_.get(); }

  private:
    struct Loaded {
        explicit Loaded() = default;
    };

  public:
    // Only load() makes windows.
    Window(Loaded, std::unique_ptr<QWidget> form);

  private:
    // Declared first, destroyed last: the control wrappers disconnect from their widgets before
    // the widgets go.
    std::unique_ptr<QWidget> form_;
    QPoint storedPosition_;
    QSize storedSize_;
    std::map<std::string, std::unique_ptr<EditBox>> editBoxes_;
    std::map<std::string, std::unique_ptr<Button>> buttons_;
    std::map<std::string, std::unique_ptr<WebBrowser>> browsers_;
};

}  // namespace platform::gui
