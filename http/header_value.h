// Header values built from caller data: a URL or a cookie text that carries CR or LF (typed by
// the user or sent by a server) must not add header lines of its own to a request.
#pragma once

#include "text/types.h"

// The value with every CR and LF byte percent-encoded (%0D, %0A). Neither byte can be the trail
// byte of a GBK character, so the rest of the text is untouched.
Text headerSafeValue(const Text& value);
