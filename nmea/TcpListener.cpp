#include "nmea/TcpListener.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nmea {

std::unique_ptr<TcpListener> TcpListener::open(const std::string& host, int port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const int status =
        getaddrinfo(host.empty() ? nullptr : host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0 || !found) {
        error = "cannot resolve host '" + host + "': " + gai_strerror(status);
        return nullptr;
    }
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        freeaddrinfo(found);
        error = std::string("cannot open a TCP socket: ") + std::strerror(errno);
        return nullptr;
    }
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, kMaxClients) != 0) {
        error = "cannot listen on port " + std::to_string(port) + ": " + std::strerror(errno);
        freeaddrinfo(found);
        close(fd);
        return nullptr;
    }
    freeaddrinfo(found);
    return std::unique_ptr<TcpListener>(new TcpListener(fd));
}

TcpListener::TcpListener(int f) : fd(f) { clients.fill(-1); }

TcpListener::~TcpListener() {
    for (int c : clients) {
        if (c >= 0) {
            close(c);
        }
    }
    close(fd);
}

void TcpListener::acceptWaiting() {
    while (true) {
        const int c = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (c < 0) {
            return;
        }
        bool placed = false;
        for (int& slot : clients) {
            if (slot < 0) {
                slot = c;
                placed = true;
                break;
            }
        }
        if (!placed) {
            close(c);
        }
    }
}

void TcpListener::send(const char* data, std::size_t length) {
    acceptWaiting();
    for (int& c : clients) {
        if (c < 0) {
            continue;
        }
        const ssize_t n = ::send(c, data, length, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n != static_cast<ssize_t>(length)) {
            close(c);
            c = -1;
        }
    }
}

int TcpListener::localPort() const {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return local.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port)
                                       : ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

int TcpListener::clientCount() const {
    int n = 0;
    for (int c : clients) {
        n += c >= 0 ? 1 : 0;
    }
    return n;
}

} // namespace nmea
