// SPDX-License-Identifier: Apache-2.0
// Where the service listens: "ADDR:PORT" as --listen takes it.
#pragma once

#include <sys/socket.h>

#include <optional>
#include <string>
#include <string_view>

namespace korvane::serve {

struct ListenAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
  bool loopback = true;  // 127.0.0.0/8 or ::1: reachable from this machine only
};

// "127.0.0.1:8080", "[::1]:8080", "localhost:8080", "0.0.0.0:8080" or
// "[::]:0" (port 0: one the system picks). A name is looked up once, here;
// the first address found is taken. The address, or why there is none.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error);

// "127.0.0.1:8080", "[::1]:8080".
std::string AddressText(const sockaddr_storage& address);

}  // namespace korvane::serve
