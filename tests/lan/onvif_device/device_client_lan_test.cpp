// SPDX-License-Identifier: GPL-3.0-or-later
// How the client takes what comes back over HTTP: a one-shot server on an
// ephemeral loopback port of the box answers the first request with canned
// bytes. One call (SystemReboot, the client signed in as no one) shows how an
// answer is taken.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "onvif/device_client.h"
#include "tests/support/lan_files.h"
#include "tests/support/lan_process.h"

namespace {

std::string DataFile(const std::string& name) {
    std::ifstream in(std::filesystem::path(LANVARO_TEST_DATA) / "onvif_device" / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string HttpAnswer(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Type: application/soap+xml\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// Serves one connection (or up to `connections`, each coming within half a
// second of the one before): reads until the request's blank line and body
// have come or 3 s pass, then sends `answer` and closes.
class OneShotServer {
public:
    explicit OneShotServer(std::string answer, const char* host = "127.0.0.1", int connections = 1)
        : answer_(std::move(answer)), host_(host), connections_(connections) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, host, &address.sin_addr);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 1) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            for (int i = 0; i < connections_ && Serve(i == 0 ? 3000 : 500); ++i) {
            }
        });
    }
    ~OneShotServer() {
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    std::string Xaddr() const { return "http://" + host_ + ":" + std::to_string(port_) + "/onvif/device_service"; }
    int port() const { return port_; }
    // Whether a request came at all.
    bool Asked() const { return asked_; }

private:
    bool Serve(int waitMs) {
        pollfd listening{fd_, POLLIN, 0};
        if (::poll(&listening, 1, waitMs) != 1) return false;
        const int connection = ::accept(fd_, nullptr, nullptr);
        asked_ = true;
        std::string request;
        char chunk[4096];
        // A Digest client's first POST may come without its body.
        auto whole = [&request] {
            return request.find("</s:Envelope>") != std::string::npos ||
                   (request.find("\r\n\r\n") != std::string::npos &&
                    request.find("Content-Length: 0\r\n") != std::string::npos);
        };
        for (int i = 0; i < 100 && !whole(); ++i) {
            pollfd p{connection, POLLIN, 0};
            if (::poll(&p, 1, 3000) != 1) break;
            const ssize_t n = ::recv(connection, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            request.append(chunk, static_cast<std::size_t>(n));
        }
        std::size_t sent = 0;
        while (sent < answer_.size()) {
            const ssize_t n = ::send(connection, answer_.data() + sent, answer_.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        ::close(connection);
        return true;
    }

    std::string answer_;
    std::string host_;
    int connections_ = 1;
    std::atomic<bool> asked_{false};
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// A loopback port nothing listens on.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

struct AnswerCase {
    const char* name;
    std::string answer;
    OnvifCallStatus status;
    std::string messagePart;
};

class ClientAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ClientAnswer, IsTakenForWhatItIs) {
    OneShotServer server(GetParam().answer);
    ASSERT_NE(server.port(), 0);
    OnvifDeviceClient client(server.Xaddr());
    const OnvifCallResult result = client.Reboot();
    EXPECT_EQ(result.status, GetParam().status) << result.message;
    EXPECT_NE(result.message.find(GetParam().messagePart), std::string::npos) << result.message;
}

INSTANTIATE_TEST_SUITE_P(
    , ClientAnswer,
    ::testing::Values(
        AnswerCase{"FaultGivesItsReason", HttpAnswer(400, DataFile("fault_invalid_args.xml")), OnvifCallStatus::Refused,
                   "refused by http://127.0.0.1:"},
        AnswerCase{"FaultReasonText", HttpAnswer(500, DataFile("fault_invalid_args.xml")), OnvifCallStatus::Refused,
                   ": The suggested IPv4 address is invalid."},
        AnswerCase{"NotAuthorizedFault", HttpAnswer(400, DataFile("fault_not_authorized.xml")),
                   OnvifCallStatus::SignInRefused, "check the user name and password."},
        AnswerCase{"Soap11NotAuthorizedFault", HttpAnswer(500, DataFile("fault_soap11_not_authorized.xml")),
                   OnvifCallStatus::SignInRefused, "check the user name and password."},
        AnswerCase{"OverOneMebibyte",
                   HttpAnswer(200, "<?xml version=\"1.0\"?><x>" + std::string(1100 * 1024, 'a') + "</x>"),
                   OnvifCallStatus::Failed, "larger than 1 MiB"},
        AnswerCase{"WebPageInstead", HttpAnswer(404, "<html>Not here</html>"), OnvifCallStatus::NoService, "HTTP 404"},
        AnswerCase{"UnreadableSoap", HttpAnswer(200, "<s:Envelope xmlns:s=\"urn:x\"/>"), OnvifCallStatus::Failed,
                   "Unreadable answer to SystemReboot"},
        AnswerCase{"ForbiddenIsNoSignIn", HttpAnswer(403, "<html>Forbidden</html>"), OnvifCallStatus::Refused,
                   "SystemReboot refused (HTTP 403) by http://127.0.0.1:"}),
    [](const ::testing::TestParamInfo<AnswerCase>& p) { return std::string(p.param.name); });

// A camera that turns this computer's address away answers 403 to every
// method: no wrong password, so not a refused sign-in that would drop it.
TEST(ClientSignIn, AForbiddenCameraIsRefusedNotTheSignIn) {
    OneShotServer server(HttpAnswer(403, "<html>Forbidden</html>"), "127.0.0.1", 16);
    ASSERT_NE(server.port(), 0);
    OnvifDeviceClient client(server.Xaddr());
    const OnvifCallResult result = client.SignIn(OnvifCredentials{"admin", "secret"});
    EXPECT_EQ(result.status, OnvifCallStatus::Refused) << result.message;
    EXPECT_NE(result.message.find("refused (HTTP 403)"), std::string::npos) << result.message;
}

// Certificates are checked: a camera's own one fails, and says why.
TEST(ClientTransport, AnUntrustedCertificateIsSaidSo) {
    TempDir files;
    const std::string key = files.File("key.pem"), certificate = files.File("cert.pem");
    ASSERT_EQ(RunToEnd({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", key, "-out", certificate, "-days", "1", "-subj", "/CN=127.0.0.1"},
                       files.File("req.out"), files.File("req.err"))
                  .status,
              0);
    const int port = FreePort();
    ChildProcess server({"/usr/bin/openssl", "s_server", "-quiet", "-accept", "127.0.0.1:" + std::to_string(port),
                         "-cert", certificate, "-key", key},
                        {{}, files.File("server.out"), files.File("server.err")});
    ASSERT_TRUE(server.Started()) << server.Error();
    OnvifDeviceFacts facts;
    OnvifCallResult result;
    // s_server listens within moments; until then the connection is refused.
    for (int i = 0; i < 50; ++i) {
        OnvifDeviceClient client("https://127.0.0.1:" + std::to_string(port) + "/onvif/device_service");
        result = client.ReadPublicFacts(facts);
        if (result.status != OnvifCallStatus::NoService) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(result.status, OnvifCallStatus::Failed) << result.message;
    EXPECT_NE(result.message.find("The camera's certificate is not trusted at https://127.0.0.1:"), std::string::npos)
        << result.message;
}

TEST(ClientTransport, NothingListeningIsNoService) {
    int port = 0;
    {
        OneShotServer closed("");
        port = closed.port();
    }  // the port is free again
    OnvifDeviceClient client("http://127.0.0.1:" + std::to_string(port) + "/onvif/device_service");
    OnvifDeviceFacts facts;
    EXPECT_EQ(client.ReadPublicFacts(facts).status, OnvifCallStatus::NoService);
}

// Only HTTP goes out: an XAddr naming another scheme is never followed.
TEST(ClientTransport, OtherSchemesAreNotFetched) {
    OnvifDeviceClient client("file:///etc/hostname");
    OnvifDeviceFacts facts;
    EXPECT_EQ(client.ReadPublicFacts(facts).status, OnvifCallStatus::NoService);
}

const std::string kRebooting =
    HttpAnswer(200,
               "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><d:SystemRebootResponse "
               "xmlns:d=\"http://www.onvif.org/ver10/device/wsdl\"/></e:Body></e:Envelope>");

// A desktop's proxy cannot reach the cameras of its LAN: camera calls go direct.
TEST(ClientTransport, AProxyInTheEnvironmentIsPassedBy) {
    OneShotServer server(kRebooting, "127.0.0.2");
    ASSERT_NE(server.port(), 0);
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
        ::setenv(name, "http://127.0.0.1:9", 1);
    OnvifDeviceClient client(server.Xaddr());
    const OnvifCallResult result = client.Reboot();
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"}) ::unsetenv(name);
    EXPECT_TRUE(result.ok()) << result.message;
}

// libcurl would send a URL's user and password as Basic, in clear.
TEST(ClientTransport, AnXaddrWithAPasswordIsNotCalled) {
    OneShotServer server(kRebooting);
    ASSERT_NE(server.port(), 0);
    OnvifDeviceClient client("http://admin:pw@127.0.0.1:" + std::to_string(server.port()) + "/onvif/device_service");
    EXPECT_EQ(client.Reboot().status, OnvifCallStatus::NoService);
    EXPECT_FALSE(server.Asked());
}

// A password change keeps the user's level, which only GetUsers tells: a
// camera that listed none (or was not signed in to) is not asked at all.
TEST(ClientSetPassword, NothingIsSentWithoutTheUsersLevel) {
    OneShotServer server(kRebooting);
    ASSERT_NE(server.port(), 0);
    OnvifDeviceClient client(server.Xaddr());
    const OnvifCallResult result = client.SetPassword("admin", "Gr33n-Field.42");
    EXPECT_EQ(result.status, OnvifCallStatus::Refused);
    EXPECT_NE(result.message.find("lists no users (GetUsers)"), std::string::npos) << result.message;
    EXPECT_EQ(result.message.find("Gr33n-Field.42"), std::string::npos) << result.message;
    EXPECT_FALSE(server.Asked());
}

struct NetmaskCase {
    const char* netmask;
    std::optional<int> prefix;
};

class Netmask : public ::testing::TestWithParam<NetmaskCase> {};

TEST_P(Netmask, BecomesAPrefixLengthOnlyWhenContiguous) {
    EXPECT_EQ(OnvifPrefixLength(GetParam().netmask), GetParam().prefix);
}

INSTANTIATE_TEST_SUITE_P(, Netmask,
                         ::testing::Values(NetmaskCase{"255.255.255.0", 24}, NetmaskCase{"255.255.255.255", 32},
                                           NetmaskCase{"128.0.0.0", 1}, NetmaskCase{"255.255.254.0", 23},
                                           NetmaskCase{"0.0.0.0", std::nullopt},
                                           NetmaskCase{"255.0.255.0", std::nullopt},
                                           NetmaskCase{"255.255.255", std::nullopt}));

}  // namespace
