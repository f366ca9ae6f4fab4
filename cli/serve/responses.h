// SPDX-License-Identifier: Apache-2.0
// Answers as the HTTP library sends them: a status, a body, and the headers
// every answer of the service carries.
#pragma once

#include <microhttpd.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::serve {

inline constexpr const char* kJsonType = "application/json; charset=utf-8";
inline constexpr const char* kJsonLinesType = "application/x-ndjson; charset=utf-8";

using Headers = std::vector<std::pair<const char*, std::string>>;

// {"error":"<message>"} and a LF. The message is escaped as the command
// line escapes names, so that bytes of a request it quotes come back as
// plain text, never raw.
std::string ErrorJson(std::string_view message);

// Queues `body`, which must outlive the answer (the library does not copy
// it), with `type` and `headers`. False when the library refuses.
bool QueueAnswer(MHD_Connection* connection, int status, std::string_view body, const char* type,
                 const Headers& headers = {});

// Queues a streamed answer of unknown length, read from `reader`.
bool QueueStream(MHD_Connection* connection, int status, const char* type,
                 MHD_ContentReaderCallback reader, void* reader_data,
                 MHD_ContentReaderFreeCallback free_reader, const Headers& headers = {});

}  // namespace korvane::serve
