// The edge between the program's GBK text and the widgets' UTF-16 strings.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace platform::gui {

// GBK bytes as a widget string; undecodable bytes follow the converter's substitution rules.
QString fromGbk(std::string_view gbk);
// A widget string as GBK bytes; characters GBK lacks become '?'.
std::string toGbk(const QString& text);

// A multi-line box shows "\r\n" as a line break and hands line breaks back as "\r\n".
QString fromGbkLines(std::string_view gbk);
std::string toGbkLines(const QString& text);

}  // namespace platform::gui
