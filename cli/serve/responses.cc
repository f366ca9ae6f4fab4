// SPDX-License-Identifier: Apache-2.0
#include "responses.h"

#include <nlohmann/json.hpp>

#include "render/names.h"

namespace korvane::serve {
namespace {

// Reads of streamed answers ask for this much at a time.
constexpr size_t kStreamBlock = 64 * 1024;

bool Queue(MHD_Connection* connection, int status, MHD_Response* response, const char* type,
           const Headers& headers) {
  if (response == nullptr) return false;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
  MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  for (const auto& [name, value] : headers) MHD_add_response_header(response, name, value.c_str());
  const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(status), response);
  MHD_destroy_response(response);
  return queued == MHD_YES;
}

}  // namespace

std::string ErrorJson(std::string_view message) {
  nlohmann::json object;
  object["error"] = cli::EscapedName(message);
  return object.dump() + "\n";
}

bool QueueAnswer(MHD_Connection* connection, int status, std::string_view body, const char* type,
                 const Headers& headers) {
  MHD_Response* response = MHD_create_response_from_buffer(
      body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_PERSISTENT);
  return Queue(connection, status, response, type, headers);
}

bool QueueStream(MHD_Connection* connection, int status, const char* type,
                 MHD_ContentReaderCallback reader, void* reader_data,
                 MHD_ContentReaderFreeCallback free_reader, const Headers& headers) {
  MHD_Response* response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kStreamBlock, reader,
                                                             reader_data, free_reader);
  return Queue(connection, status, response, type, headers);
}

}  // namespace korvane::serve
