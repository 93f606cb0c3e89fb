// Arbitrary route replies: the parser ends, and any host it yields is a piece of the reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "qzone/storage_route.h"
#include "text/primitives.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text reply = bytesToText(Bytes(reinterpret_cast<const char*>(data), size));
    const Text host = qzone::routeHostFromReply(reply);
    if (!host.empty() && (host.size() >= reply.size() || reply.find(host) == Text::npos))
        std::abort();
    return 0;
}
