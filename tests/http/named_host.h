// A host name of a test's own that reaches a loopback server (through QZONE_ALBUM_CONNECT_TO).
// The process's cookie store keeps cookies by host, so cookies that one test's responses set
// never reach another test's requests to 127.0.0.1 or to another name.
#pragma once

#include <cstdint>
#include <string>

#include "tests/fixtures/http_recorder.h"

class NamedHost {
  public:
    NamedHost(const std::string& host, std::uint16_t port)
        : host_(host),
          port_(port),
          environment_("QZONE_ALBUM_CONNECT_TO",
                       host + ":" + std::to_string(port) + ":127.0.0.1:" + std::to_string(port)) {}
    // "host:port"
    std::string hostPort() const { return host_ + ":" + std::to_string(port_); }
    std::string url(const std::string& path) const { return "http://" + hostPort() + path; }

  private:
    std::string host_;
    std::uint16_t port_;
    fixtures::ScopedEnvironment environment_;
};
