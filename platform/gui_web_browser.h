// The browser control of the window: a text browser that shows pages bundled with the program
// (qrc: addresses) and never fetches anything from the network.
#pragma once

#include <string>

class QTextBrowser;

namespace platform::gui {

class WebBrowser {
  public:
    explicit WebBrowser(QTextBrowser* browser);

    // Shows the page at `address`; links in it lead nowhere.
    void navigate(const std::string& address);
    std::string address() const;

    QTextBrowser* widget() const { return browser_; }

  private:
    QTextBrowser* browser_;
};

}  // namespace platform::gui
