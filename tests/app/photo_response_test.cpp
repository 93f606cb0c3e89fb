// Which responses to a photo request carry a photo worth saving.
#include <gtest/gtest.h>

#include <string>

#include "download/photo_response.h"

namespace {

const std::string kNotCaptured(5000, ' ');

std::string headers(const std::string& statusLine, const std::string& lines = "") {
    return statusLine + "\r\n" + lines + "\r\n";
}

TEST(IsPhotoResponse, SavesOnlyCompleteBodiesOfSuccessfulResponses) {
    struct Case {
        const char* label;
        std::string body;
        std::string rawHeaders;
        bool photo;
    };
    const Case cases[] = {
        {"200 with matching length", "JPEG", headers("HTTP/1.1 200 OK", "Content-Length: 4\r\n"),
         true},
        {"200 without length (chunked)", "JPEG",
         headers("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n"), true},
        {"length in lower case with leading zeros", "JPEG",
         headers("HTTP/1.1 200 OK", "content-length:  004\r\n"), true},
        {"header block not captured", "JPEG", kNotCaptured, true},
        {"failed request", "", kNotCaptured, false},
        {"empty body from 200", "", headers("HTTP/1.1 200 OK", "Content-Length: 0\r\n"), false},
        {"404 error page", "<html>not found</html>", headers("HTTP/1.1 404 Not Found"), false},
        {"500", "oops", headers("HTTP/1.1 500 Internal Server Error"), false},
        {"redirect not followed", "moved", headers("HTTP/1.1 302 Found"), false},
        {"cut short", "JPE", headers("HTTP/1.1 200 OK", "Content-Length: 4\r\n"), false},
        {"longer than announced", "JPEGJPEG", headers("HTTP/1.1 200 OK", "Content-Length: 4\r\n"),
         false},
        {"another header ending in the name", "JPEG",
         headers("HTTP/1.1 200 OK", "X-Original-Content-Length: 99\r\nContent-Length: 4\r\n"),
         true},
        {"status line without reason", "JPEG", headers("HTTP/1.1 200"), true},
        // The chunked framing decides the body's end; a Content-Length beside it is ignored.
        {"chunked with a stale length", "JPEGJPEG",
         headers("HTTP/1.1 200 OK", "Content-Length: 4\r\nTransfer-Encoding: chunked\r\n"), true},
        {"chunked with a stale length, lower-case names", "JPEGJPEG",
         headers("HTTP/1.1 200 OK", "content-length: 4\r\ntransfer-encoding: chunked\r\n"), true},
        {"chunked 404 error page", "<html>not found</html>",
         headers("HTTP/1.1 404 Not Found", "Transfer-Encoding: chunked\r\n"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(isPhotoResponse(c.body, c.rawHeaders), c.photo);
    }
}

}  // namespace
