// SPDX-License-Identifier: Apache-2.0
#include "auth.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "ascii.h"

namespace korvane::serve {
namespace {

// Every byte of both is looked at, whatever differs.
bool SameInConstantTime(std::string_view given, std::string_view expected) {
  unsigned char difference = given.size() == expected.size() ? 0 : 1;
  for (size_t i = 0; i < given.size(); ++i) {
    const unsigned char wanted = expected.empty() ? 0 : expected[i % expected.size()];
    difference |= static_cast<unsigned char>(given[i]) ^ wanted;
  }
  return difference == 0;
}

}  // namespace

std::optional<std::string> ReadTokenFile(const std::string& path, std::string* error) {
  std::ifstream file(path);
  std::string line;
  if (!file || !std::getline(file, line)) {
    *error = path + ": " + (errno != 0 ? std::strerror(errno) : "empty file");
    return std::nullopt;
  }
  const std::string token(cli::TrimHeaderSpace(line));
  if (token.size() < kMinTokenLength) {
    *error =
        path + ": the token is shorter than " + std::to_string(kMinTokenLength) + " characters";
    return std::nullopt;
  }
  return token;
}

bool Authorized(const char* authorization, std::string_view token) {
  if (authorization == nullptr) return false;
  const std::string_view value = cli::TrimHeaderSpace(authorization);
  if (!cli::StartsWithNoCase(value, 0, "bearer ")) return false;
  return SameInConstantTime(cli::TrimHeaderSpace(value.substr(7)), token);
}

}  // namespace korvane::serve
