#include "app/globals.h"

TextArray photoUrlList;
std::int32_t downloadCounter = 0;
std::optional<SocketLibraryGuard> socketGuard;

void initGlobals(NetworkLibrary library) {
    photoUrlList = TextArray();
    socketGuard.emplace(std::move(library));
}

void releaseGlobals() {
    TextArray().swap(photoUrlList);
    socketGuard.reset();
}
