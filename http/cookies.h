// Merging the cookies a response set into the caller's cookie text ("a=1; b=2").
#pragma once

#include "text/types.h"

// cookies (in/out): older cookies on entry, the merged text on return (also returned).
// newCookies (in/out): the response's cookies on entry, the same without spaces on return.
Text mergeCookies(Text& cookies, Text& newCookies);
Text cookieName(const Text& cookie);
bool containsCookieName(const TextArray& cookies, const Text& name);
