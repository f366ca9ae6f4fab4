// SPDX-License-Identifier: Apache-2.0
#include "listen_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>
#include <memory>

namespace korvane::serve {
namespace {

struct HostPort {
  std::string host;
  std::string port;
};

// "[::1]:80" → "::1", "80"; "a:80" → "a", "80". A host with ":" needs the
// brackets.
std::optional<HostPort> SplitHostPort(std::string_view text) {
  if (text.starts_with('[')) {
    const size_t close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      return std::nullopt;
    }
    return HostPort{std::string(text.substr(1, close - 1)), std::string(text.substr(close + 2))};
  }
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  return HostPort{std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

bool IsPort(const std::string& port) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  return !port.empty() && error == std::errc() && end == port.data() + port.size() &&
         value <= 65535;
}

bool IsLoopback(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    return (ntohl(v4.sin_addr.s_addr) >> 24) == 127;
  }
  const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
  if (IN6_IS_ADDR_LOOPBACK(&v6.sin6_addr)) return true;
  return IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr) && v6.sin6_addr.s6_addr[12] == 127;
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error) {
  const std::optional<HostPort> parts = SplitHostPort(text);
  if (!parts || parts->host.empty() || !IsPort(parts->port)) {
    *error = "not ADDR:PORT (such as 127.0.0.1:8080 or [::1]:8080)";
    return std::nullopt;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(parts->host.c_str(), parts->port.c_str(), &hints, &found);
  if (status != 0) {
    *error = "cannot resolve " + parts->host + ": " + gai_strerror(status);
    return std::nullopt;
  }
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, freeaddrinfo);
  ListenAddress address;
  std::memcpy(&address.address, found->ai_addr, found->ai_addrlen);
  address.length = found->ai_addrlen;
  address.loopback = IsLoopback(address.address);
  return address;
}

std::string AddressText(const sockaddr_storage& address) {
  char host[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, host, sizeof host);
    std::string text(host);
    text.append(":").append(std::to_string(ntohs(v4.sin_port)));
    return text;
  }
  const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
  inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host);
  std::string text = "[";
  text.append(host).append("]:").append(std::to_string(ntohs(v6.sin6_port)));
  return text;
}

}  // namespace korvane::serve
