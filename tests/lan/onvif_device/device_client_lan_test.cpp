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
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "onvif/device_client.h"

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

// Serves one connection: reads until the request's blank line and body have
// come or 3 s pass, then sends `answer` and closes.
class OneShotServer {
public:
    explicit OneShotServer(std::string answer, const char* host = "127.0.0.1")
        : answer_(std::move(answer)), host_(host) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, host, &address.sin_addr);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 1) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
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
    void Serve() {
        pollfd listening{fd_, POLLIN, 0};
        if (::poll(&listening, 1, 3000) != 1) return;
        const int connection = ::accept(fd_, nullptr, nullptr);
        asked_ = true;
        std::string request;
        char chunk[4096];
        for (int i = 0; i < 100 && request.find("</s:Envelope>") == std::string::npos; ++i) {
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
    }

    std::string answer_;
    std::string host_;
    std::atomic<bool> asked_{false};
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

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
                   "Unreadable answer to SystemReboot"}),
    [](const ::testing::TestParamInfo<AnswerCase>& p) { return std::string(p.param.name); });

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
