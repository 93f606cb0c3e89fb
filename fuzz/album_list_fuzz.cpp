// Arbitrary album-list replies: the parser ends, the lines are closed by CRLF and carry the
// separator, and they never outgrow the reply they were cut from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "qzone/album_list.h"
#include "text/primitives.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text reply = bytesToText(Bytes(reinterpret_cast<const char*>(data), size));
    const Text lines = qzone::albumLinesFromReply(reply);
    if (lines.empty())
        return 0;
    if (lines.size() > reply.size() || rightText(lines, 2) != "\r\n" ||
        findText(lines, "----") == -1)
        std::abort();
    return 0;
}
