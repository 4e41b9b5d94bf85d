#include "nmea/NmeaLink.h"

#include <cstdlib>

#include "nmea/TcpListener.h"
#include "nmea/UdpSender.h"

namespace nmea {

namespace {

bool readPort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    port = std::atoi(text.c_str());
    return port <= 65535;
}

} // namespace

std::unique_ptr<NmeaLink> openNmeaLink(const std::string& target, std::string& error) {
    const std::string udp = "udp:";
    const std::string tcp = "tcp-listen:";
    int port = 0;
    if (target.compare(0, udp.size(), udp) == 0) {
        const std::string rest = target.substr(udp.size());
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string::npos || colon == 0 || !readPort(rest.substr(colon + 1), port) || port == 0) {
            error = "'" + target + "' is not udp:HOST:PORT";
            return nullptr;
        }
        std::string host = rest.substr(0, colon);
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
        return UdpSender::open(host, port, error);
    }
    if (target.compare(0, tcp.size(), tcp) == 0) {
        const std::string rest = target.substr(tcp.size());
        const std::size_t colon = rest.rfind(':');
        const std::string host = colon == std::string::npos ? std::string() : rest.substr(0, colon);
        if (!readPort(colon == std::string::npos ? rest : rest.substr(colon + 1), port)) {
            error = "'" + target + "' is not tcp-listen:PORT or tcp-listen:HOST:PORT";
            return nullptr;
        }
        return TcpListener::open(host, port, error);
    }
    error = "'" + target + "' is neither udp:HOST:PORT nor tcp-listen:PORT";
    return nullptr;
}

} // namespace nmea
