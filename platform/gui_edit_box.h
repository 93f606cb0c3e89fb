// An edit box of the window: single line (QLineEdit) or multi-line (QPlainTextEdit), read and
// written as GBK text, with the changed event the handlers are chained by.
#pragma once

#include <QMetaObject>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace platform::gui {

class EditBox {
  public:
    explicit EditBox(QLineEdit* line);
    explicit EditBox(QPlainTextEdit* multiLine);
    ~EditBox();
    EditBox(const EditBox&) = delete;
    EditBox& operator=(const EditBox&) = delete;

    // Until the user edits the box, this is byte for byte what the program last wrote, even
    // bytes that do not survive the trip through the widget. After a user edit it is the
    // widget's text in GBK, line breaks of a multi-line box as "\r\n".
    std::string text() const;

    // Replaces the text and then runs the changed handler once, to its end, before returning;
    // it runs also when the text is the same as before.
    void setText(const std::string& gbk);

    // Moves the caret to the end, scrolls there and inserts the text; runs the changed handler
    // once. The box paints at once, so a caller that holds the window thread for a long time
    // still shows each line as it arrives (no events are processed for it).
    void append(const std::string& gbk);

    // The number of display lines at the box's width and font: 1 for an empty box, one more
    // for every line break (a trailing one too), and one more for every wrap of a long line.
    // A single-line box has 1.
    int lineCount() const;

    // The handler runs after every program write (above) and once for every user edit.
    void onChanged(std::function<void()> handler);

    QWidget* widget() const;

  private:
    void userEdited();
    void fireChanged();

    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multiLine_ = nullptr;
    std::optional<std::string> programText_;  // exact bytes of the last program write
    std::function<void()> changed_;
    QMetaObject::Connection userEdit_;
};

}  // namespace platform::gui
