// Host, port and object name of a URL, as the request worker connects and asks for it.
// Kept apart from the direct request's family (direct_url.h): the two cut URLs differently.
#pragma once

#include <cstdint>

#include "text/types.h"

Text workerUrlHost(const Text& url);
Text workerUrlPath(const Text& url);
std::int32_t workerUrlPort(const Text& url);
