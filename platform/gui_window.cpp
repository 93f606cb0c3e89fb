#include "platform/gui_window.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUiLoader>
#include <QVariant>
#include <QWidget>

#include <stdexcept>

namespace platform::gui {
namespace {

template <typename Map>
auto& findControl(const Map& controls, const std::string& name, const char* kind) {
    const auto found = controls.find(name);
    if (found == controls.end())
        throw std::out_of_range(std::string("the window has no ") + kind + " named " + name);
    return *found->second;
}

template <typename Control, typename Widget, typename Map>
void wrapAll(QWidget* form, Map& controls) {
    for (Widget* widget : form->findChildren<Widget*>()) {
        if (!widget->objectName().isEmpty())
            controls.emplace(widget->objectName().toStdString(), std::make_unique<Control>(widget));
    }
}

}  // namespace

std::unique_ptr<Window> Window::load(const std::string& resourcePath, std::string& error) {
    QFile file(QString::fromStdString(resourcePath));
    if (!file.open(QFile::ReadOnly)) {
        error = "cannot open " + resourcePath;
        return nullptr;
    }
    QUiLoader loader;
    std::unique_ptr<QWidget> form(loader.load(&file));
    if (!form) {
        error = loader.errorString().toStdString();
        return nullptr;
    }
    return std::make_unique<Window>(Loaded{}, std::move(form));
}

Window::Window(Loaded, std::unique_ptr<QWidget> form)
    : form_(std::move(form)),
      // The loader gives a window its stored size only; the position comes with the form as
      // a property of its own.
      storedPosition_(form_->property("windowPosition").toPoint()),
      storedSize_(form_->size()) {
    wrapAll<EditBox, QLineEdit>(form_.get(), editBoxes_);
    wrapAll<EditBox, QPlainTextEdit>(form_.get(), editBoxes_);
    // QTextBrowser is a QTextEdit, not a QPlainTextEdit: it never lands among the edit boxes.
    wrapAll<WebBrowser, QTextBrowser>(form_.get(), browsers_);
    wrapAll<Button, QPushButton>(form_.get(), buttons_);
}

Window::~Window() = default;

EditBox& Window::editBox(const std::string& name) const {
    return findControl(editBoxes_, name, "edit box");
}

Button& Window::button(const std::string& name) const {
    return findControl(buttons_, name, "button");
}

WebBrowser& Window::browser(const std::string& name) const {
    return findControl(browsers_, name, "browser");
}

void Window::show() {
    form_->show();
    // The frame is known once the window is on screen; the client area gets what it leaves.
    const QSize frame = form_->frameGeometry().size() - form_->geometry().size();
    form_->setFixedSize(storedSize_ - frame);
    form_->move(storedPosition_);
}

void Window::close() {
    form_->close();
}

}  // namespace platform::gui
