// A Qt core application for the length of a test: waits on this thread then serve Qt events as
// they do on the program's window thread. Reuses an application that already exists.
#pragma once

#include <QCoreApplication>

#include <memory>

class CoreApplicationScope {
  public:
    CoreApplicationScope() {
        if (QCoreApplication::instance() == nullptr)
            app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
    // Whether this scope made the application (and destroys it at its end).
    bool owns() const { return app_ != nullptr; }

  private:
    int argc_ = 1;
    char name_[11] = "http_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};
