#include "platform/gui_web_browser.h"

#include <QTextBrowser>
#include <QUrl>

namespace platform::gui {

WebBrowser::WebBrowser(QTextBrowser* browser) : browser_(browser) {
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
}

void WebBrowser::navigate(const std::string& address) {
    browser_->setSource(QUrl(QString::fromStdString(address)));
}

std::string WebBrowser::address() const {
    return browser_->source().toString().toStdString();
}

}  // namespace platform::gui
