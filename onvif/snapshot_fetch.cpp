// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/snapshot_fetch.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>
#include <mutex>

namespace {

struct CurlFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

struct Received {
    std::string bytes;
    bool tooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* received = static_cast<Received*>(user);
    const size_t n = size * count;
    if (received->bytes.size() + n > kMaxSnapshotBytes) {
        received->tooLarge = true;
        return 0;  // ends the transfer
    }
    received->bytes.append(data, n);
    return n;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))) != prefix[i]) return false;
    return true;
}

SnapshotResult Problem(std::string text) {
    SnapshotResult result;
    result.problem = std::move(text);
    return result;
}

}  // namespace

std::optional<std::string> PictureType(std::string_view bytes) {
    // Cameras send application/octet-stream, text/plain or nothing at all:
    // the bytes say what they are.
    if (bytes.size() >= 3 && bytes.substr(0, 3) == std::string_view("\xFF\xD8\xFF", 3)) return "image/jpeg";
    if (bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return "image/png";
    return std::nullopt;
}

SnapshotResult FetchSnapshot(const std::string& uri, const std::optional<OnvifCredentials>& credentials,
                             std::chrono::milliseconds timeout) {
    const bool https = StartsWith(uri, "https://");
    if (!https && !StartsWith(uri, "http://")) return Problem("the snapshot address is not http or https; not fetched");
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return Problem("cannot start an HTTP request");
    CURL* c = curl.get();
    Received received;
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(c, CURLOPT_URL, uri.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    // A camera on the LAN is never reached through the desktop's proxy.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE, static_cast<long>(kMaxSnapshotBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    if (credentials) {
        // Basic would put the password on the wire as it is: only inside TLS.
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, https ? CURLAUTH_DIGEST | CURLAUTH_BASIC : CURLAUTH_DIGEST);
        curl_easy_setopt(c, CURLOPT_USERNAME, credentials->user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, credentials->password.c_str());
    }
    const CURLcode outcome = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (received.tooLarge || outcome == CURLE_FILESIZE_EXCEEDED) return Problem("the picture is larger than 8 MiB");
    if (outcome == CURLE_PEER_FAILED_VERIFICATION) return Problem("the camera's certificate is not trusted");
    if (outcome != CURLE_OK) return Problem(errorText[0] != '\0' ? errorText : curl_easy_strerror(outcome));
    if (status == 401) {
        long offered = 0;
        curl_easy_getinfo(c, CURLINFO_HTTPAUTH_AVAIL, &offered);
        if (!credentials) {
            SnapshotResult wanted = Problem("the camera asks for a password");
            wanted.passwordWanted = true;
            return wanted;
        }
        if (!https && (offered & CURLAUTH_BASIC) != 0 && (offered & CURLAUTH_DIGEST) == 0)
            return Problem("the camera asks for the password in clear text; not sent");
        return Problem("refused: wrong password, or the user may not see pictures");
    }
    if (status != 200) return Problem("the camera answered HTTP " + std::to_string(status));
    const auto type = PictureType(received.bytes);
    if (!type) return Problem("the camera sent no picture (" + std::to_string(received.bytes.size()) + " bytes)");
    SnapshotResult result;
    result.bytes = std::move(received.bytes);
    result.type = *type;
    return result;
}
