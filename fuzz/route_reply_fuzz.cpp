// Arbitrary route replies: the parser ends, and any host it yields is a piece of the reply.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "qzone/storage_route.h"
#include "text/primitives.h"

using fuzz_support::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text reply = bytesToText(Bytes(reinterpret_cast<const char*>(data), size));
    const Text host = qzone::routeHostFromReply(reply);
    check(host.empty() || (host.size() < reply.size() && reply.find(host) != Text::npos));
    return 0;
}
