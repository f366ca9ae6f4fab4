// SPDX-License-Identifier: Apache-2.0
// SIGINT and SIGTERM as requests to stop the batch (see input/stop.h).
#pragma once

namespace korvane::cli {

// The first SIGINT or SIGTERM asks for a stop; a second one ends the program
// at once, as it would without these handlers.
void InstallStopHandlers();

}  // namespace korvane::cli
