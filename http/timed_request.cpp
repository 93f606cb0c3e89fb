#include "http/timed_request.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

#include "http/request_worker.h"
#include "platform/events.h"
#include "platform/memory_file.h"
#include "platform/worker_thread.h"
#include "text/codepage.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace {

const Text kHttpPrefix = "http://";
const Text kHttpsPrefix = "https://";

TimedRequestRecord buildRecord(const Text& url, std::optional<int> method,
                               const std::optional<Text>& proxy, const std::optional<Text>& headers,
                               const std::optional<Bytes>& postBytes,
                               const std::optional<Text>& cookies,
                               std::optional<bool> allowRedirect) {
    TimedRequestRecord record(timed_record::kMemberCount);
    record[timed_record::kUrl] = textToBytes(url);
    record[timed_record::kMethod] = textToBytes(method == kTimedRequestPost ? "POST" : "GET");
    record[timed_record::kProxy] = textToBytes(proxy.value_or(""));
    record[timed_record::kHeaders] = textToBytes(headers.value_or(""));
    record[timed_record::kPostBody] = postBytes.value_or(Bytes());
    record[timed_record::kCookies] = textToBytes(cookies.value_or(""));
    record[timed_record::kFollowRedirects] = textToBytes(boolToText(allowRedirect.value_or(true)));
    return record;
}

// Seconds to milliseconds; a limit beyond the 32-bit range stops at its end instead of
// wrapping into a negative limit that would time out at once.
std::int64_t limitMilliseconds(std::optional<int> timeoutSeconds) {
    std::int64_t ms = std::int64_t{timeoutSeconds.value_or(kDefaultTimeoutSeconds)} * 1000;
    return std::clamp<std::int64_t>(ms, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
}

// Waits for the worker while serving window events after every wake. The limit is checked at
// each wake: a worker that ends after the limit counts as late. Each single wait lasts at most
// what is left of the limit, so a time-out is noticed close to the limit even when the last
// event came just before it.
std::uint32_t waitForWorker(platform::WorkerThread& worker, std::int64_t limit) {
    const std::int64_t start = platform::uptimeMilliseconds();
    for (;;) {
        std::uint32_t result = worker.wait(limit - (platform::uptimeMilliseconds() - start));
        if (platform::uptimeMilliseconds() - start >= limit)
            result = platform::WAIT_TIMEOUT;
        platform::processPendingEvents();
        if (result == platform::WAIT_OBJECT_0 || result == platform::WAIT_TIMEOUT)
            return result;
    }
}

Bytes convertedBody(const Bytes& body, std::optional<int> outputConversion) {
    if (outputConversion == kConvertFromUtf8)
        return textToBytes(utf8ToGbk(bytesToText(body)));
    if (outputConversion == kConvertFromBig5)
        return textToBytes(big5ToSimplifiedGbk(bytesToText(body)));
    return body;
}

}  // namespace

const Text& timedRequestTimeoutMessage() {
    return "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。"_gbk;
}

Bytes timedHttpRequest(Text& url, std::optional<int> method, const std::optional<Text>& proxy,
                       const std::optional<Text>& headers, const std::optional<Bytes>& postBytes,
                       const std::optional<Text>& cookies, std::optional<int> timeoutSeconds,
                       Text* rawHeaders, std::optional<int> outputConversion, Text* newCookies,
                       std::optional<bool> allowRedirect) {
    if (trimSpaces(url) == "")
        return {};
    if (leftText(url, 7) != kHttpPrefix && leftText(url, 8) != kHttpsPrefix)
        url = kHttpPrefix + url;

    auto file = platform::MemoryFile::open();
    if (!file->writeArray(
            buildRecord(url, method, proxy, headers, postBytes, cookies, allowRedirect)))
        return {};
    auto worker = platform::WorkerThread::start(
        [file](const std::atomic<bool>& cancel) { requestWorker(file, &cancel); });
    if (!worker)
        return {};

    if (waitForWorker(*worker, limitMilliseconds(timeoutSeconds)) == platform::WAIT_TIMEOUT) {
        // The worker may still be inside its exchange: it is cancelled and left to end on its
        // own, and its writes into the closed file go nowhere.
        worker->abandon();
        file->close();
        return textToBytes(timedRequestTimeoutMessage());
    }
    worker.reset();

    file->moveToStart();
    std::optional<TimedRequestRecord> record = file->readArray();
    file->close();
    if (!record || record->empty())
        return {};
    if (record->size() != timed_record::kMemberCount)
        return (*record)[timed_record::kBody];
    if (rawHeaders != nullptr)
        *rawHeaders = bytesToText((*record)[timed_record::kRawHeaders]);
    if (newCookies != nullptr)
        *newCookies = bytesToText((*record)[timed_record::kNewCookies]);
    return convertedBody((*record)[timed_record::kBody], outputConversion);
}
