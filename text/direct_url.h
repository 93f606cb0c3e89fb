// Host, port and object name of a URL, as the direct request connects and asks for it.
// Kept apart from the worker's family (worker_url.h): the two cut URLs differently.
#pragma once

#include <cstdint>

#include "text/types.h"

Text directUrlHost(const Text& url, bool reduceToDomain = false, bool keepPort = false);
std::int32_t directUrlPort(const Text& url);
Text directUrlPath(const Text& url);
