#include "platform/gui_edit_box.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include "platform/gui_text.h"

namespace platform::gui {
namespace {

// A box that has never been shown has not yet received its size: its document would be laid out
// without any wrapping. The box lays out its viewport when it gets its own resize event, and its
// document when the viewport gets its resize event; both are otherwise delivered at the first
// show.
void deliverPendingResize(QWidget* widget) {
    if (!widget->testAttribute(Qt::WA_PendingResizeEvent))
        return;
    QResizeEvent event(widget->size(), QSize());
    QCoreApplication::sendEvent(widget, &event);
    widget->setAttribute(Qt::WA_PendingResizeEvent, false);
}

void ensureLaidOutAtItsWidth(QPlainTextEdit* box) {
    box->ensurePolished();
    deliverPendingResize(box);
    deliverPendingResize(box->viewport());
}

}  // namespace

EditBox::EditBox(QLineEdit* line) : line_(line) {
    // textEdited is emitted for the user's edits only, never for setText.
    userEdit_ = QObject::connect(line_, &QLineEdit::textEdited, [this] { userEdited(); });
}

EditBox::EditBox(QPlainTextEdit* multiLine) : multiLine_(multiLine) {
    // Program writes block the widget's signals, so whatever arrives here is the user's edit.
    userEdit_ =
        QObject::connect(multiLine_, &QPlainTextEdit::textChanged, [this] { userEdited(); });
}

EditBox::~EditBox() {
    QObject::disconnect(userEdit_);
}

QWidget* EditBox::widget() const {
    if (line_ != nullptr)
        return line_;
    return multiLine_;
}

std::string EditBox::text() const {
    if (programText_)
        return *programText_;
    if (line_ != nullptr)
        return toGbk(line_->text());
    return toGbkLines(multiLine_->toPlainText());
}

void EditBox::setText(const std::string& gbk) {
    {
        QSignalBlocker quiet(widget());
        if (line_ != nullptr)
            line_->setText(fromGbk(gbk));
        else
            multiLine_->setPlainText(fromGbkLines(gbk));
    }
    programText_ = gbk;
    fireChanged();
}

void EditBox::append(const std::string& gbk) {
    {
        QSignalBlocker quiet(widget());
        if (line_ != nullptr) {
            line_->end(false);
            line_->insert(fromGbk(gbk));
        } else {
            multiLine_->moveCursor(QTextCursor::End);
            multiLine_->insertPlainText(fromGbkLines(gbk));
            // The caret is at the end now: scrolling to the bottom shows it.
            QScrollBar* bar = multiLine_->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
    }
    if (programText_)
        *programText_ += gbk;
    widget()->repaint();
    fireChanged();
}

int EditBox::lineCount() const {
    if (multiLine_ == nullptr)
        return 1;
    ensureLaidOutAtItsWidth(multiLine_);
    QTextDocument* document = multiLine_->document();
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(document->documentLayout());
    int lines = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (layout != nullptr)
            layout->ensureBlockLayout(block);
        lines += std::max(1, block.layout()->lineCount());
    }
    return std::max(1, lines);
}

void EditBox::onChanged(std::function<void()> handler) {
    changed_ = std::move(handler);
}

void EditBox::userEdited() {
    programText_.reset();
    fireChanged();
}

void EditBox::fireChanged() {
    // A copy: the handler may replace itself while it runs.
    if (std::function<void()> handler = changed_)
        handler();
}

}  // namespace platform::gui
