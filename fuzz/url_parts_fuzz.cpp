// Fuzzes both URL families and checks what holds for any URL: hosts are lower case and free of
// the separators they were cut at, paths begin with "/" and are a tail of the URL, and a port
// without a colon in the host is one of the defaults.
//
// Input: the URL (up to the first zero byte).
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "text/direct_url.h"
#include "text/primitives.h"
#include "text/worker_url.h"

namespace {

using fuzz_support::check;
using fuzz_support::endsWith;
using fuzz_support::startsWith;

void checkPath(const Text& url, const Text& path) {
    check(!path.empty() && path[0] == '/');
    check(path == "/" || endsWith(url, path));
}

void checkDirect(const Text& url) {
    const Text host = directUrlHost(url);
    check(toLowerText(host) == host);
    check(findText(host, "/") == -1);
    check(findText(host, ":") == -1);
    const Text hostWithPort = directUrlHost(url, false, true);
    check(startsWith(hostWithPort, host));
    const Text domain = directUrlHost(url, true, false);
    check(domain.size() <= host.size() + hostWithPort.size());
    const std::int32_t port = directUrlPort(url);
    if (findTextReverse(hostWithPort, ":") == -1) {
        check(port == 80 || port == 443);
    }
    checkPath(url, directUrlPath(url));
}

void checkWorker(const Text& url) {
    const Text host = workerUrlHost(url);
    check(toLowerText(host) == host);
    check(findText(host, "/") == -1);
    check(findText(host, ":") == -1);
    check(host.size() <= url.size());
    (void)workerUrlPort(url);
    checkPath(url, workerUrlPath(url));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text url = bytesToText(Bytes(reinterpret_cast<const char*>(data), size));
    checkDirect(url);
    checkWorker(url);
    return 0;
}
