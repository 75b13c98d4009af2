// How the client takes what comes back over HTTP: a one-shot server on an
// ephemeral loopback port of the box answers the first request with canned
// bytes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
    explicit OneShotServer(std::string answer) : answer_(std::move(answer)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
    std::string Xaddr() const { return "http://127.0.0.1:" + std::to_string(port_) + "/onvif/device_service"; }
    int port() const { return port_; }

private:
    void Serve() {
        pollfd listening{fd_, POLLIN, 0};
        if (::poll(&listening, 1, 3000) != 1) return;
        const int connection = ::accept(fd_, nullptr, nullptr);
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
    OnvifDeviceFacts facts;
    const OnvifCallResult result = client.ReadPublicFacts(facts);
    EXPECT_EQ(result.status, GetParam().status) << result.message;
    EXPECT_NE(result.message.find(GetParam().messagePart), std::string::npos) << result.message;
}

INSTANTIATE_TEST_SUITE_P(
    , ClientAnswer,
    ::testing::Values(AnswerCase{"FaultGivesItsReason", HttpAnswer(400, DataFile("fault_invalid_args.xml")),
                                 OnvifCallStatus::Refused, "refused by http://127.0.0.1:"},
                      AnswerCase{"FaultReasonText", HttpAnswer(500, DataFile("fault_invalid_args.xml")),
                                 OnvifCallStatus::Refused, ": The suggested IPv4 address is invalid."},
                      AnswerCase{"NotAuthorizedFault", HttpAnswer(400, DataFile("fault_not_authorized.xml")),
                                 OnvifCallStatus::SignInRefused, "check the user name and password."},
                      AnswerCase{"OverOneMebibyte",
                                 HttpAnswer(200, "<?xml version=\"1.0\"?><x>" + std::string(1100 * 1024, 'a') + "</x>"),
                                 OnvifCallStatus::Failed, "larger than 1 MiB"},
                      AnswerCase{"WebPageInstead", HttpAnswer(404, "<html>Not here</html>"), OnvifCallStatus::NoService,
                                 "HTTP 404"},
                      AnswerCase{"UnreadableSoap", HttpAnswer(200, "<s:Envelope xmlns:s=\"urn:x\"/>"),
                                 OnvifCallStatus::Failed, "Unreadable answer to GetSystemDateAndTime"}),
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
