#include "nmea/UdpSender.h"

#include <fcntl.h>
#include <netdb.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nmea {

std::unique_ptr<UdpSender> UdpSender::open(const std::string& host, int port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0 || !found) {
        error = "cannot resolve host '" + host + "': " + gai_strerror(status);
        return nullptr;
    }
    sockaddr_storage to{};
    std::memcpy(&to, found->ai_addr, found->ai_addrlen);
    const socklen_t length = found->ai_addrlen;
    const int family = found->ai_family;
    freeaddrinfo(found);
    const int fd = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot open a UDP socket: ") + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<UdpSender>(new UdpSender(fd, to, length));
}

UdpSender::UdpSender(int f, const sockaddr_storage& address, socklen_t length) : fd(f), to(address), toLength(length) {}

UdpSender::~UdpSender() { close(fd); }

void UdpSender::send(const char* data, std::size_t length) {
    // Refused (nobody listening yet) or full: the next burst goes instead.
    (void)sendto(fd, data, length, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), toLength);
}

int UdpSender::localPort() const {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return local.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port)
                                       : ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

} // namespace nmea
