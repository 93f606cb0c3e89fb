// The state the window's handlers and the download loop share for the whole run: the photo URL
// list, the download counter and the socket-library guard.
#pragma once

#include <cstdint>
#include <optional>

#include "app/socket_library_guard.h"
#include "text/types.h"

// The photo URLs of the current album, in list order; replaced whole, never edited in place.
extern TextArray photoUrlList;
// Photos attempted since the program started, across albums; never reset.
extern std::int32_t downloadCounter;
// Present from initGlobals until releaseGlobals.
extern std::optional<SocketLibraryGuard> socketGuard;

// An empty photoUrlList and a guard that has not started anything yet.
void initGlobals(NetworkLibrary library = NetworkLibrary::system());

// The exit routine: releases the URL list, then the guard (which stops the network library
// when its start succeeded).
void releaseGlobals();
