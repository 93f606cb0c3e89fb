// Whether a response to a photo request carries a photo worth saving.
#pragma once

#include "text/types.h"

// rawHeaders is the header block the direct request captured: status line and header lines,
// or only spaces when the block could not be captured. A photo is a non-empty body from a 2xx
// response whose length matches its Content-Length, when the block names one. With no header
// block to judge by, a non-empty body counts as a photo.
bool isPhotoResponse(const Bytes& body, const Text& rawHeaders);
