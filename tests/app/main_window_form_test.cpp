// The main window as loaded from its form: every control with its type, parent, place, size
// and text; the window's title, place and outer size; the created event.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "app/control_names.h"
#include "tests/app/app_test_support.h"

namespace {

struct ControlCase {
    const char* name;
    const char* type;
    const char* parent;  // the window's own object name for top-level controls
    QRect geometry;
    const char* text;  // title, caption or content at creation
};

constexpr const char* kWindowName = "主窗口";

const ControlCase kControls[] = {
    {"分组框1", "QGroupBox", kWindowName, {16, 9, 328, 48}, "需要下载的QQ号码"},
    {"编辑框帐号", "QLineEdit", "分组框1", {12, 17, 124, 20}, "10000"},
    {"按钮1", "QPushButton", "分组框1", {146, 13, 80, 26}, "取相册列表"},
    {"超级链接框1", "QLabel", "分组框1", {232, 15, 80, 24}, "更多软件"},
    {"分组框2", "QGroupBox", kWindowName, {16, 57, 328, 111}, ""},
    {"编辑框4", "QPlainTextEdit", "分组框2", {6, 13, 312, 90}, ""},
    {"分组框3", "QGroupBox", kWindowName, {16, 172, 328, 48}, "相册ID请复制上面的"},
    {"编辑框相册ID", "QLineEdit", "分组框3", {12, 17, 124, 20}, ""},
    {"按钮4", "QPushButton", "分组框3", {142, 12, 80, 26}, "取照片下载"},
    {"编辑框2", "QLineEdit", "分组框3", {232, 16, 40, 20}, ""},
    {"标签1", "QLabel", "分组框3", {279, 13, 41, 24}, "张照片"},
    {"分组框4", "QGroupBox", kWindowName, {16, 220, 328, 176}, "工作状态"},
    {"编辑框3", "QPlainTextEdit", "分组框4", {11, 17, 302, 143}, ""},
    {"互联网浏览器1", "QTextBrowser", kWindowName, {16, 400, 328, 56}, nullptr},
    {"按钮3", "QPushButton", kWindowName, {464, 80, 80, 32}, "取相片列表"},
    {"按钮2", "QPushButton", kWindowName, {656, 40, 80, 32}, ""},
    {"编辑框1", "QPlainTextEdit", kWindowName, {872, 216, 1048, 112}, ""},
};

QString textOf(QWidget* widget) {
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return line->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(widget))
        return box->toPlainText();
    return {};
}

TEST(MainWindowForm, EveryControlHasItsTypeParentPlaceSizeAndText) {
    const auto window = apptest::loadWindow();
    QWidget* form = window->widget();
    ASSERT_EQ(form->objectName(), QString::fromUtf8(kWindowName));
    for (const ControlCase& c : kControls) {
        SCOPED_TRACE(c.name);
        auto* widget = form->findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), c.type);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromUtf8(c.parent));
        EXPECT_EQ(widget->geometry(), c.geometry);
        if (c.text != nullptr)
            EXPECT_EQ(textOf(widget), QString::fromUtf8(c.text));
        EXPECT_TRUE(widget->isEnabled());
    }
}

TEST(MainWindowForm, MultiLineBoxesScrollVerticallyAndWrap) {
    const auto window = apptest::loadWindow();
    for (const char* name : {controls::kAlbumListBox, controls::kStatusBox, controls::kUrlBox}) {
        SCOPED_TRACE(name);
        auto* box = window->widget()->findChild<QPlainTextEdit*>(QString::fromUtf8(name));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        EXPECT_FALSE(box->isReadOnly());
    }
}

TEST(MainWindowForm, ShownWithItsTitleAtItsPlaceWithItsOuterSize) {
    const auto window = apptest::loadShownWindow();
    QWidget* form = window->widget();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Vintra-QQ空间相册批量下载软件【自动】"));
    EXPECT_EQ(form->frameGeometry(), QRect(50, 50, 367, 504));
}

TEST(MainWindowForm, OffScreenControlsLieOutsideTheVisibleArea) {
    const auto window = apptest::loadShownWindow();
    const QRect visible = window->widget()->rect();
    for (const char* name : {controls::kDownloadButton, controls::kCopyButton, controls::kUrlBox}) {
        SCOPED_TRACE(name);
        auto* widget = window->widget()->findChild<QWidget*>(QString::fromUtf8(name));
        ASSERT_NE(widget, nullptr);
        EXPECT_FALSE(visible.intersects(widget->geometry()));
    }
    // Every other control is fully inside.
    for (const ControlCase& c : kControls) {
        auto* widget = window->widget()->findChild<QWidget*>(QString::fromUtf8(c.name));
        if (widget->parentWidget() != window->widget() || !visible.intersects(widget->geometry()))
            continue;
        EXPECT_TRUE(visible.contains(widget->geometry())) << c.name;
    }
}

TEST(MainWindowForm, CreatedEventShowsTheBundledPageAndLocksTheDownloadButton) {
    apptest::WindowHarness harness;
    platform::gui::WebBrowser& browser = harness.window().browser(controls::kBrowser);
    EXPECT_EQ(browser.address(), "qrc:/app/advertisement.html");
    EXPECT_TRUE(browser.widget()->document()->toPlainText().contains(QStringLiteral("Vintra")));
    EXPECT_FALSE(harness.button(controls::kFetchPhotosButton).isEnabled());
    EXPECT_TRUE(harness.button(controls::kAlbumListButton).isEnabled());
}

}  // namespace
