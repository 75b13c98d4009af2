// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/soap_transport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct CurlFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* reply = static_cast<SoapHttpReply*>(user);
    const size_t n = size * count;
    if (reply->body.size() + n > kMaxSoapAnswerBytes) {
        reply->tooLarge = true;
        return 0;  // ends the transfer
    }
    reply->body.append(data, n);
    return n;
}

}  // namespace

SoapHttpReply PostSoap(const std::string& url, const std::string& action, const std::string& envelope,
                       const std::optional<OnvifCredentials>& digest, std::chrono::milliseconds timeout) {
    InitCurl();
    SoapHttpReply reply;
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        reply.error = "cannot start an HTTP request";
        return reply;
    }
    // The action goes into a header: a CR or LF there would split it.
    if (action.find_first_of("\r\n\"") != std::string::npos) {
        reply.error = "invalid action";
        return reply;
    }
    // libcurl would send a user and password of the URL as Basic, in clear.
    if (OnvifXaddrHasUserInfo(url)) {
        reply.error = "an address holding a user name or password is not called";
        return reply;
    }
    std::unique_ptr<curl_slist, SlistFree> headers(curl_slist_append(
        nullptr, ("Content-Type: application/soap+xml; charset=utf-8; action=\"" + action + "\"").c_str()));
    // curl's "Expect: 100-continue" costs a second on devices that ignore it.
    curl_slist_append(headers.get(), "Expect:");
    char errorText[CURL_ERROR_SIZE] = "";
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    // Cameras are on the LAN: a desktop's http_proxy would carry every
    // sign-in and change to a host that cannot reach them.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, envelope.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(envelope.size()));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE, static_cast<long>(kMaxSoapAnswerBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    if (digest) {
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, CURLAUTH_DIGEST);
        curl_easy_setopt(c, CURLOPT_USERNAME, digest->user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, digest->password.c_str());
    }
    // Certificates are checked as libcurl does by default (the system's
    // authorities, the host name): a camera's own certificate fails, and is
    // said so, never passed silently.
    const CURLcode result = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
    long requestBytes = 0;
    curl_easy_getinfo(c, CURLINFO_REQUEST_SIZE, &requestBytes);
    reply.sent = requestBytes > 0;
    reply.untrusted = result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE;
    reply.connected = reply.status != 0;
    if (result == CURLE_FILESIZE_EXCEEDED) reply.tooLarge = true;
    if (reply.tooLarge) {
        reply.body.clear();
        reply.error = "the answer is larger than 1 MiB";
    } else if (result != CURLE_OK) {
        reply.connected = false;
        reply.body.clear();
        reply.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
    }
    return reply;
}
