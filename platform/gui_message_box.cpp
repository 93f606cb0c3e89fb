#include "platform/gui_message_box.h"

#include <QMessageBox>

#include "platform/gui_text.h"

namespace platform::gui {

void showMessageBox(const std::string& gbkText, const std::string& gbkTitle) {
    QMessageBox box(QMessageBox::NoIcon, fromGbk(gbkTitle), fromGbk(gbkText), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace platform::gui
