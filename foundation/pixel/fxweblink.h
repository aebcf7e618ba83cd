#pragma once

// What the notice bar and its links need of the web: a bounded text fetch
// that runs its own event loop on the calling thread (a worker thread, so the
// user interface never waits), the test that a link is a web address before
// anything opens it, and percent-encoding of query values.

#include <functional>
#include <string>

// Replies larger than this fail rather than being stored.
inline constexpr int kFxFetchMaxBytes = 64 * 1024;

enum class FxFetchResult {
    Ok,         // status 200, the whole body read
    Failed,     // no connection, refused, a network error, or not a web address
    HttpError,  // an answer other than 200 (an error page)
    TimedOut,   // the total time limit passed before the end of the body
    Stopped,    // the caller's keep-going test turned false
    TooLarge,   // the body passed the size limit
};

struct FxFetchReply {
    FxFetchResult result = FxFetchResult::Failed;
    int status = 0;    // the HTTP status, 0 when none arrived
    std::string text;  // the body with its line ends dropped (lines joined); Ok only
};

// Fetches an http or https address, bypassing every cache. The whole
// transfer, connection included, must end within `limitMs`; `keepGoing`
// (when given) is asked every 10 ms and a false answer aborts at once. Never
// holds more than `maxBytes` + one read of the body. Blocks the calling
// thread, which must not be one whose events someone else waits for.
FxFetchReply FxFetchText(const std::string& address, int limitMs,
                         const std::function<bool()>& keepGoing = nullptr,
                         int maxBytes = kFxFetchMaxBytes);

// True for an absolute http or https address with a host; every other scheme
// ("file:", "javascript:", ...) and every bare path is refused.
bool FxIsWebAddress(const std::string& address);
// The address in the encoded form handed to the desktop; "" when it is not
// a web address.
std::string FxNormalizeWebAddress(const std::string& address);
// Opens a web address with the desktop's browser through the user-interface
// services; false, and nothing opened, for anything but a web address.
bool FxOpenWebLink(const std::string& address);

// Every byte but letters, digits and "-._~" as %XX (upper-case hex), so a
// value can never end its query field or start another.
std::string FxPercentEncode(const std::string& bytes);
