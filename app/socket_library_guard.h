// The guard that starts the process's network library once at start-up and stops it at exit,
// and only when the start succeeded.
#pragma once

#include <cstdint>
#include <functional>

// How the library is started and stopped; tests put counters in its place.
struct NetworkLibrary {
    std::function<int()> start;  // 0: started
    std::function<void()> stop;

    // startNetworkLibrary / stopNetworkLibrary.
    static NetworkLibrary system();
};

class SocketLibraryGuard {
  public:
    explicit SocketLibraryGuard(NetworkLibrary library = NetworkLibrary::system());
    // Stops the library if initialise() started it.
    ~SocketLibraryGuard();
    // One guard, one start and at most one stop: a copy would stop the library a second time.
    SocketLibraryGuard(const SocketLibraryGuard&) = delete;
    SocketLibraryGuard& operator=(const SocketLibraryGuard&) = delete;

    // Starts the library and records the outcome; a second call does nothing.
    void initialise();

    // What the start returned; 0 from creation until initialise() runs, and 0 when the library
    // started.
    std::int32_t startupResult = 0;

  private:
    NetworkLibrary library_;
    bool initialised_ = false;
};
