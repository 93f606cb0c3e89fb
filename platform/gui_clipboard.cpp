#include "platform/gui_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "platform/gui_text.h"

namespace platform::gui {

void setClipboardText(const std::string& gbk) {
    if (QGuiApplication::instance() == nullptr)
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(fromGbk(gbk));
}

}  // namespace platform::gui
