#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Where the sentences go: "udp:HOST:PORT" (datagrams to a flight computer
// listening there) or "tcp-listen:PORT" (a server flight computers connect
// to; every connected client gets every sentence). Never blocks the flight:
// what the network cannot take at once is dropped, a client that cannot keep
// up is let go.
namespace nmea {

class NmeaLink {
public:
    virtual ~NmeaLink() = default;
    // Sends `length` bytes (whole sentences). Allocates nothing.
    virtual void send(const char* data, std::size_t length) = 0;
    // The local port (a tcp-listen server's, for tests that ask for port 0).
    virtual int localPort() const = 0;
};

// Opens `target`; null with a one-line `error` when it is malformed or the
// socket cannot be set up.
std::unique_ptr<NmeaLink> openNmeaLink(const std::string& target, std::string& error);

} // namespace nmea
