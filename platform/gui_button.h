// A push button of the window: its click handler and its enabled state.
#pragma once

#include <QMetaObject>

#include <functional>

class QPushButton;

namespace platform::gui {

class Button {
  public:
    explicit Button(QPushButton* button);
    ~Button();
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    void onClicked(std::function<void()> handler);
    void setEnabled(bool enabled);
    bool isEnabled() const;
    // Clicks the button as the user would: nothing happens while it is disabled.
    void click();

    QPushButton* widget() const { return button_; }

  private:
    QPushButton* button_;
    std::function<void()> clicked_;
    QMetaObject::Connection connection_;
};

}  // namespace platform::gui
