// The clipboard, as plain text.
#pragma once

#include <string>

namespace platform::gui {

// Puts the text on the clipboard exactly as given ("\r\n" stays "\r\n"); does nothing when
// there is no clipboard.
void setClipboardText(const std::string& gbk);

}  // namespace platform::gui
