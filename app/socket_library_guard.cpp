#include "app/socket_library_guard.h"

#include "platform/network_library.h"

NetworkLibrary NetworkLibrary::system() {
    return {platform::startNetworkLibrary, platform::stopNetworkLibrary};
}

SocketLibraryGuard::SocketLibraryGuard(NetworkLibrary library) : library_(std::move(library)) {}

SocketLibraryGuard::~SocketLibraryGuard() {
    // startupResult is 0 also before any start: only a start that happened and succeeded is
    // followed by a stop.
    if (initialised_ && startupResult == 0)
        library_.stop();
}

void SocketLibraryGuard::initialise() {
    if (initialised_)
        return;
    initialised_ = true;
    startupResult = library_.start();
}
