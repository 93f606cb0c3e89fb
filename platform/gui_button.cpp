#include "platform/gui_button.h"

#include <QPushButton>

namespace platform::gui {

Button::Button(QPushButton* button) : button_(button) {
    connection_ = QObject::connect(button_, &QPushButton::clicked, [this] {
        // A copy: the handler may replace itself while it runs.
        if (std::function<void()> handler = clicked_)
            handler();
    });
}

Button::~Button() {
    QObject::disconnect(connection_);
}

void Button::onClicked(std::function<void()> handler) {
    clicked_ = std::move(handler);
}

void Button::setEnabled(bool enabled) {
    button_->setEnabled(enabled);
}

bool Button::isEnabled() const {
    return button_->isEnabled();
}

void Button::click() {
    button_->click();
}

}  // namespace platform::gui
