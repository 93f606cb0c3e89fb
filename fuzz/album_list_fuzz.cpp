// Arbitrary album-list replies: the parser ends, the lines are closed by CRLF and carry the
// separator, and they never outgrow the reply they were cut from.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "qzone/album_list.h"
#include "text/primitives.h"

using fuzz_support::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text reply = bytesToText(Bytes(reinterpret_cast<const char*>(data), size));
    const Text lines = qzone::albumLinesFromReply(reply);
    if (lines.empty())
        return 0;
    check(lines.size() <= reply.size() && rightText(lines, 2) == "\r\n" &&
          findText(lines, "----") != -1);
    return 0;
}
