// The edit boxes of the real form: program writes and the changed event, exact read-back,
// typing, the display line count and appending.
#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/control_names.h"
#include "platform/events.h"
#include "tests/app/app_test_support.h"
#include "text/gbk_literal.h"

namespace {

using platform::gui::EditBox;

struct BoxKind {
    const char* label;
    const char* name;
};
const BoxKind kBoxKinds[] = {
    {"single line", controls::kAccountBox},
    {"multi-line", controls::kUrlBox},
};

class EditBoxTest : public ::testing::Test {
  protected:
    std::unique_ptr<platform::gui::Window> window_ = apptest::loadShownWindow();
    EditBox& box(const char* name) { return window_->editBox(name); }
};

TEST_F(EditBoxTest, ProgramWriteRunsTheHandlerOnceBeforeReturningEvenForTheSameText) {
    for (const BoxKind& kind : kBoxKinds) {
        SCOPED_TRACE(kind.label);
        EditBox& target = box(kind.name);
        int calls = 0;
        std::string seenInHandler;
        target.onChanged([&] {
            ++calls;
            seenInHandler = target.text();
        });
        target.setText("abc");
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(seenInHandler, "abc");
        target.setText("abc");
        EXPECT_EQ(calls, 2);
        platform::processPendingEvents();
        EXPECT_EQ(calls, 2) << "no late signal may fire the handler again";
    }
}

TEST_F(EditBoxTest, ReadBackBeforeAnyUserEditIsExactlyWhatWasWritten) {
    struct Case {
        const char* label;
        std::string text;
    };
    const Case cases[] = {
        {"GBK Chinese", "下载完成 12"_gbk},
        {"line breaks", "http://a/1.jpg\r\nhttp://a/2.jpg\r\n"},
        {"bare line feed", "a\nb"},
        {"lone lead byte at the end", "abc\x81"},
        {"bytes GBK does not define", "\xFF\xFE\x80"},
        {"empty", ""},
    };
    for (const BoxKind& kind : kBoxKinds) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(kind.label) + ": " + c.label);
            box(kind.name).setText(c.text);
            EXPECT_EQ(box(kind.name).text(), c.text);
        }
    }
}

TEST_F(EditBoxTest, AfterTypingTheTextComesFromTheWidgetWithCrLfLineBreaks) {
    EditBox& multi = box(controls::kUrlBox);
    multi.setText("one\r\ntwo");
    auto* widget = static_cast<QPlainTextEdit*>(multi.widget());
    widget->moveCursor(QTextCursor::End);
    apptest::typeInto(widget, QStringLiteral("X"));
    EXPECT_EQ(multi.text(), "one\r\ntwoX");

    EditBox& single = box(controls::kAlbumIdBox);
    single.setText("相册"_gbk);
    apptest::typeInto(single.widget(), QStringLiteral("7"));
    EXPECT_EQ(single.text(), "相册7"_gbk);
}

TEST_F(EditBoxTest, TypingRunsTheHandlerOncePerEdit) {
    for (const BoxKind& kind : kBoxKinds) {
        SCOPED_TRACE(kind.label);
        EditBox& target = box(kind.name);
        target.setText("");
        int calls = 0;
        target.onChanged([&] { ++calls; });
        apptest::typeInto(target.widget(), QStringLiteral("abc"));
        EXPECT_EQ(calls, 3);
        EXPECT_EQ(target.text(), "abc");
    }
}

std::string urlLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "http://127.0.0.1:8080/photo/a/" + std::to_string(i) + ".jpg\r\n";
    return text;
}

const std::string kLongUrl = "http://127.0.0.1/" + std::string(600, 'x') + ".jpg";

TEST_F(EditBoxTest, LineCountIsTheNumberOfDisplayLines) {
    struct Case {
        const char* label;
        std::string text;
        int lines;
    };
    const Case cases[] = {
        {"empty box", "", 1},
        {"one line", "a", 1},
        {"trailing line break adds a line", "a\r\n", 2},
        {"two lines", "a\r\nb", 2},
        {"only line breaks", "\r\n\r\n", 3},
        {"N URLs each ending in CRLF", urlLines(5), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        box(controls::kUrlBox).setText(c.text);
        EXPECT_EQ(box(controls::kUrlBox).lineCount(), c.lines);
    }
}

TEST_F(EditBoxTest, ALineWiderThanTheBoxCountsOncePerDisplayLine) {
    EditBox& urls = box(controls::kUrlBox);
    urls.setText(kLongUrl);
    const int wrapped = urls.lineCount();
    EXPECT_GE(wrapped, 2);
    urls.setText(urlLines(2) + kLongUrl + "\r\n");
    EXPECT_EQ(urls.lineCount(), 2 + wrapped + 1);
    // Narrower box, more display lines.
    box(controls::kStatusBox).setText(kLongUrl);
    EXPECT_GT(box(controls::kStatusBox).lineCount(), wrapped);
    // A single-line box has one line whatever it holds.
    box(controls::kAccountBox).setText(kLongUrl + "\r\nx");
    EXPECT_EQ(box(controls::kAccountBox).lineCount(), 1);
}

TEST(EditBoxNeverShown, CountsWrappedLinesAtTheBoxWidthAllTheSame) {
    const auto shown = apptest::loadShownWindow();
    const auto hidden = apptest::loadWindow();
    shown->editBox(controls::kUrlBox).setText(kLongUrl);
    hidden->editBox(controls::kUrlBox).setText(kLongUrl);
    EXPECT_GE(hidden->editBox(controls::kUrlBox).lineCount(), 2);
    EXPECT_EQ(hidden->editBox(controls::kUrlBox).lineCount(),
              shown->editBox(controls::kUrlBox).lineCount());
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST_F(EditBoxTest, AppendGoesToTheEndScrollsThereAndPaintsAtOnce) {
    EditBox& status = box(controls::kStatusBox);
    auto* widget = static_cast<QPlainTextEdit*>(status.widget());
    status.setText("first\r\n");
    widget->moveCursor(QTextCursor::Start);
    platform::processPendingEvents();

    PaintCounter counter;
    widget->viewport()->installEventFilter(&counter);
    int changes = 0;
    status.onChanged([&] { ++changes; });
    std::string expected = "first\r\n";
    for (int i = 1; i <= 30; ++i) {
        const std::string line = "line " + std::to_string(i) + "下载完成 "_gbk + "\r\n";
        const int paintsBefore = counter.paints;
        status.append(line);
        expected += line;
        EXPECT_GT(counter.paints, paintsBefore) << "line " << i << " was not painted at once";
    }
    widget->viewport()->removeEventFilter(&counter);

    EXPECT_EQ(status.text(), expected);
    EXPECT_EQ(changes, 30);
    EXPECT_TRUE(widget->textCursor().atEnd());
    const QScrollBar* bar = widget->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
