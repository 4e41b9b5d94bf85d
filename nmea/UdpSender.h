#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include "nmea/NmeaLink.h"

namespace nmea {

// Datagrams to one address; a send the socket cannot take at once, or that
// nobody listens for, is dropped.
class UdpSender : public NmeaLink {
public:
    // Null with `error` set when the host cannot be resolved or no socket opens.
    static std::unique_ptr<UdpSender> open(const std::string& host, int port, std::string& error);
    ~UdpSender() override;
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    void send(const char* data, std::size_t length) override;
    int localPort() const override;

private:
    UdpSender(int fd, const sockaddr_storage& to, socklen_t toLength);
    int fd;
    sockaddr_storage to;
    socklen_t toLength;
};

} // namespace nmea
