// SPDX-License-Identifier: GPL-3.0-or-later
// Another program sitting on the tool's reply port. --hold-reply-port binds
// it without SO_REUSEADDR, which makes the tool's own bind of that port fail;
// --share-reply-port binds it with SO_REUSEADDR, as another device finder
// listening beside the tool would.

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "protocol/plain_package.h"
#include "protocol/unique_fd.h"
#include "tools/devsim/service.h"

namespace {

class ReplyPortHolder final : public DevsimService {
public:
    bool Start(const DevsimContext& context, std::string& error) override {
        const bool shared = !context.options.Flag("--hold-reply-port");
        socket_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(kReplyPort);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        const int on = 1;
        if (!socket_ || (shared && ::setsockopt(socket_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) ||
            ::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            error = std::string("cannot hold UDP ") + std::to_string(kReplyPort) + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    void Stop() override { socket_.reset(); }

private:
    UniqueFd socket_;
};

const DevsimServiceRegistration kRegistration{{
    .name = "reply-port-holder",
    .options = {{"--hold-reply-port", DevsimOptionKind::Flag,
                 "hold the tool's reply port UDP 6667 (bound without SO_REUSEADDR) as another program would"},
                {"--share-reply-port", DevsimOptionKind::Flag,
                 "listen on UDP 6667 beside the tool (SO_REUSEADDR) as another device finder would"}},
    .enabled = [](const DevsimOptions& o) { return o.Flag("--hold-reply-port") || o.Flag("--share-reply-port"); },
    .create = [] { return std::make_unique<ReplyPortHolder>(); },
    .order = 5,
}};

}  // namespace
