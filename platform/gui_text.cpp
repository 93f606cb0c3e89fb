#include "platform/gui_text.h"

#include "platform/codepage.h"

namespace platform::gui {
namespace {

constexpr int kCodePageGbk = 936;

}  // namespace

QString fromGbk(std::string_view gbk) {
    return QString::fromStdU16String(codepage::decode(gbk, kCodePageGbk));
}

std::string toGbk(const QString& text) {
    return codepage::encode(text.toStdU16String(), kCodePageGbk, codepage::Unmappable::DefaultChar);
}

QString fromGbkLines(std::string_view gbk) {
    QString text = fromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string toGbkLines(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toGbk(lines);
}

}  // namespace platform::gui
