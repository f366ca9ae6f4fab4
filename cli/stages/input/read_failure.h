// SPDX-License-Identifier: Apache-2.0
// How a failure to read an input becomes that input's error, in one place
// for every reader.
#pragma once

#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "input/byte_reader.h"

namespace korvane::cli {

inline constexpr std::string_view kOutOfMemory = "out of memory while reading";

// Runs `read`. Nothing when it succeeds; when it fails to read (InputError,
// TooLarge among them, or memory that runs out), the reason, as the input's
// error says it. A stop request (Stopped) is thrown on, to end the batch.
template <typename Read>
std::optional<std::string> ReadingFailure(Read&& read) {
  try {
    read();
    return std::nullopt;
  } catch (const Stopped&) {
    throw;
  } catch (const InputError& error) {
    return error.what();
  } catch (const std::bad_alloc&) {
    return std::string(kOutOfMemory);
  } catch (const std::length_error&) {
    return std::string(kOutOfMemory);
  }
}

}  // namespace korvane::cli
