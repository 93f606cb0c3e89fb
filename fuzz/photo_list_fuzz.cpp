// Arbitrary photo-list replies: the parser ends, no backslash character survives in the URLs,
// the list is closed by CRLF, the callback runs once per URL, and the list never outgrows the
// reply it was cut from.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "qzone/photo_list.h"
#include "text/primitives.h"

using fuzz_support::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text reply = bytesToText(Bytes(reinterpret_cast<const char*>(data), size));
    std::size_t callbacks = 0;
    const Text urls = qzone::photoUrlsFromReply(reply, [&] { ++callbacks; });
    if (urls.empty()) {
        check(callbacks == 0);
        return 0;
    }
    check(callbacks != 0 && urls.size() <= reply.size() && rightText(urls, 2) == "\r\n" &&
          findText(urls, "\\") == -1);
    // Each URL adds its own CRLF: at least as many as callbacks.
    std::size_t breaks = 0;
    for (std::size_t at = urls.find("\r\n"); at != Text::npos; at = urls.find("\r\n", at + 2))
        ++breaks;
    check(breaks >= callbacks);
    return 0;
}
