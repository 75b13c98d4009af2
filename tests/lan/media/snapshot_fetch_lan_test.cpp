// SPDX-License-Identifier: GPL-3.0-or-later
// How a camera's picture is fetched: a server of the test's own on a
// loopback port of the box answers each request as the case says and keeps
// what it was asked, so the tests see what went out (a password in clear,
// a proxy) as well as what was kept.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "onvif/snapshot_fetch.h"

namespace {

using Answerer = std::function<std::string(const std::string& request, int index)>;

// Serves connections one after the other (at most 8) until destroyed,
// answering each request with what `answer` gives for it.
class CannedHttpServer {
public:
    explicit CannedHttpServer(Answerer answer) : answer_(std::move(answer)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~CannedHttpServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    std::string Url(const std::string& path = "/snapshot.jpg") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int port() const { return port_; }
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        for (int index = 0; index < 8 && !stop_;) {
            pollfd listening{fd_, POLLIN, 0};
            if (::poll(&listening, 1, 50) != 1) continue;
            const int connection = ::accept(fd_, nullptr, nullptr);
            if (connection < 0) continue;
            std::string request;
            char chunk[4096];
            for (int i = 0; i < 100 && request.find("\r\n\r\n") == std::string::npos; ++i) {
                pollfd p{connection, POLLIN, 0};
                if (::poll(&p, 1, 3000) != 1) break;
                const ssize_t n = ::recv(connection, chunk, sizeof chunk, 0);
                if (n <= 0) break;
                request.append(chunk, static_cast<std::size_t>(n));
            }
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const std::string answer = answer_(request, index++);
            std::size_t sent = 0;
            while (sent < answer.size()) {
                const ssize_t n = ::send(connection, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            // An empty answer holds the connection, as a camera that never answers.
            if (answer.empty()) {
                pollfd p{connection, POLLIN, 0};
                ::poll(&p, 1, 3000);
            }
            ::close(connection);
        }
    }

    Answerer answer_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + std::string(500, 'j') + "\xFF\xD9";
const std::string kPng = std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + std::string(100, 'p');

std::string Http(const std::string& status, const std::string& headers, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

const OnvifCredentials kCredentials{"viewer", "pict ure"};

struct FetchCase {
    const char* name;
    std::function<std::string(const std::string&, int)> answer;
    std::optional<OnvifCredentials> credentials;
    std::string type;     // when kept
    std::string problem;  // part of the problem, when not
};

class SnapshotAnswer : public testing::TestWithParam<FetchCase> {};

TEST_P(SnapshotAnswer, IsKeptOnlyAsAPicture) {
    CannedHttpServer server(GetParam().answer);
    ASSERT_NE(server.port(), 0);
    const SnapshotResult result = FetchSnapshot(server.Url(), GetParam().credentials);
    if (!GetParam().type.empty()) {
        EXPECT_TRUE(result.ok()) << result.problem;
        EXPECT_EQ(result.type, GetParam().type);
    } else {
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.bytes.empty());
        EXPECT_NE(result.problem.find(GetParam().problem), std::string::npos) << result.problem;
    }
    // Whatever the camera asks, a password never goes out as it is.
    for (const std::string& request : server.Requests())
        EXPECT_EQ(request.find("Authorization: Basic"), std::string::npos) << request;
}

const std::string kDigestChallenge =
    "WWW-Authenticate: Digest realm=\"cam\", qop=\"auth\", algorithm=MD5, nonce=\"6e6f6e6365\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    , SnapshotAnswer,
    testing::Values(FetchCase{"JpegAsOctetStream",
                              [](const std::string&, int) {
                                  return Http("200 OK", "Content-Type: application/octet-stream\r\n", kJpeg);
                              },
                              kCredentials, "image/jpeg", ""},
                    FetchCase{
                        "PngAsTextPlain",
                        [](const std::string&, int) { return Http("200 OK", "Content-Type: text/plain\r\n", kPng); },
                        std::nullopt, "image/png", ""},
                    FetchCase{"LoginPageAsJpeg",
                              [](const std::string&, int) {
                                  return Http("200 OK", "Content-Type: image/jpeg\r\n", "<html>log in</html>");
                              },
                              kCredentials, "", "the camera sent no picture (19 bytes)"},
                    FetchCase{"DigestAnsweredThenPicture",
                              [](const std::string& request, int) {
                                  if (request.find("Authorization: Digest username=\"viewer\"") == std::string::npos)
                                      return Http("401 Unauthorized", kDigestChallenge, "");
                                  return Http("200 OK", "Content-Type: image/jpeg\r\n", kJpeg);
                              },
                              kCredentials, "image/jpeg", ""},
                    FetchCase{"DigestRefused",
                              [](const std::string&, int) { return Http("401 Unauthorized", kDigestChallenge, ""); },
                              kCredentials, "", "refused: wrong password"},
                    FetchCase{"BasicOnlyOverHttp",
                              [](const std::string&, int) {
                                  return Http("401 Unauthorized", "WWW-Authenticate: Basic realm=\"cam\"\r\n", "");
                              },
                              kCredentials, "", "the camera asks for the password in clear text; not sent"},
                    FetchCase{"PasswordWantedButNoneKnown",
                              [](const std::string&, int) { return Http("401 Unauthorized", kDigestChallenge, ""); },
                              std::nullopt, "", "the camera asks for a password"},
                    FetchCase{"RedirectNotFollowed",
                              [](const std::string&, int) {
                                  return Http("302 Found", "Location: http://127.0.0.1:9/elsewhere.jpg\r\n", "");
                              },
                              kCredentials, "", "the camera answered HTTP 302"},
                    FetchCase{"OverEightMebibytes",
                              [](const std::string&, int) {
                                  return Http("200 OK", "Content-Type: image/jpeg\r\n",
                                              kJpeg + std::string(8 * 1024 * 1024, 'x'));
                              },
                              kCredentials, "", "larger than 8 MiB"}),
    [](const testing::TestParamInfo<FetchCase>& p) { return std::string(p.param.name); });

TEST(SnapshotFetch, OtherSchemesAreReportedNotFetched) {
    for (const char* uri : {"rtsp://127.0.0.1/stream", "file:///etc/passwd", "ftp://127.0.0.1/snap.jpg"}) {
        const SnapshotResult result = FetchSnapshot(uri, kCredentials);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.problem, "the snapshot address is not http or https; not fetched") << uri;
    }
}

// A desktop's proxy cannot reach the cameras of its LAN.
TEST(SnapshotFetch, AProxyInTheEnvironmentIsPassedBy) {
    CannedHttpServer server([](const std::string&, int) { return Http("200 OK", "", kJpeg); });
    ASSERT_NE(server.port(), 0);
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
        ::setenv(name, "http://127.0.0.1:9", 1);
    const SnapshotResult result = FetchSnapshot(server.Url(), kCredentials);
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"}) ::unsetenv(name);
    EXPECT_TRUE(result.ok()) << result.problem;
}

TEST(SnapshotFetch, ACameraThatNeverAnswersIsLeftWithinTheTimeLimit) {
    CannedHttpServer server([](const std::string&, int) { return std::string(); });
    ASSERT_NE(server.port(), 0);
    const auto start = std::chrono::steady_clock::now();
    const SnapshotResult result = FetchSnapshot(server.Url(), kCredentials, std::chrono::milliseconds(300));
    EXPECT_FALSE(result.ok());
    // Only a hang is caught here; the limit itself is the client's.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << result.problem;
}

}  // namespace
