#pragma once

#include <array>

#include "nmea/NmeaLink.h"

namespace nmea {

// A listening socket flight computers connect to; each send first takes any
// waiting connections, then writes to every client. A client whose socket
// cannot take a whole burst at once (gone, or too slow) is closed, so a
// sentence never reaches it cut in two.
class TcpListener : public NmeaLink {
public:
    static constexpr int kMaxClients = 8;

    // Listens on `host` ("" for every interface) and `port` (0: any free one).
    static std::unique_ptr<TcpListener> open(const std::string& host, int port, std::string& error);
    ~TcpListener() override;
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    void send(const char* data, std::size_t length) override;
    int localPort() const override;
    int clientCount() const;

private:
    explicit TcpListener(int fd);
    void acceptWaiting();

    int fd;
    std::array<int, kMaxClients> clients;
};

} // namespace nmea
