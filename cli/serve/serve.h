// SPDX-License-Identifier: Apache-2.0
// `korvane serve`: runs the service until SIGTERM or SIGINT.
#pragma once

namespace korvane::serve {

// argv[0] is "serve". Returns the exit status.
int ServeMain(int argc, const char* const* argv);

}  // namespace korvane::serve
