// SPDX-License-Identifier: Apache-2.0
// The service on the HTTP library: connections, limits and routing; pages
// are converted on the worker pool while their connection is suspended.
#pragma once

#include <microhttpd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "deadlines.h"
#include "korvane.h"
#include "listen_address.h"
#include "metrics.h"
#include "worker_pool.h"

namespace korvane::serve {

struct ServerSettings {
  ListenAddress listen;
  unsigned jobs = 1;
  size_t queue = 64;
  unsigned max_connections = 64;
  uint64_t max_page_size = uint64_t{8} << 20;
  unsigned idle_timeout = 15;
  unsigned request_timeout = 30;
  Algorithm algorithm = Algorithm::kBlock;
  std::optional<std::string> token;
  bool verbose = false;
};

struct Exchange;

class HttpServer {
 public:
  // Listens and serves. Throws std::runtime_error when it cannot.
  explicit HttpServer(const ServerSettings& settings);
  // Closes every connection left; call WaitForRequestsInFlight first.
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // The address listened on, with the port the system picked for port 0.
  sockaddr_storage address() const;
  unsigned workers() const { return pool_.threads(); }
  // No more connections are accepted; requests on open ones get 503.
  void StopAccepting();
  // Returns once every request whose head has arrived is answered.
  void WaitForRequestsInFlight();

 private:
  static MHD_Result OnRequest(void* self, MHD_Connection* connection, const char* url,
                              const char* method, const char* version, const char* upload_data,
                              size_t* upload_data_size, void** request);
  static void OnCompleted(void* self, MHD_Connection* connection, void** request,
                          MHD_RequestTerminationCode code);
  static void OnConnection(void* self, MHD_Connection* connection, void** socket_context,
                           MHD_ConnectionNotificationCode code);

  MHD_Result Begin(MHD_Connection* connection, const char* url, const char* method,
                   Exchange& exchange);
  MHD_Result BeginPost(MHD_Connection* connection, Exchange& exchange);
  MHD_Result Received(MHD_Connection* connection, Exchange& exchange);
  MHD_Result StartExtract(MHD_Connection* connection, Exchange& exchange);
  MHD_Result StartBatch(MHD_Connection* connection, Exchange& exchange);
  MHD_Result Answer(MHD_Connection* connection, Exchange& exchange, int status, std::string body,
                    const char* type);
  MHD_Result Refuse(MHD_Connection* connection, Exchange& exchange, int status,
                    std::string_view message);
  void Receive(Exchange& exchange, const char* data, size_t size);
  void Complete(Exchange* exchange);
  Gauges CurrentGauges() const;

  const ServerSettings settings_;
  Metrics metrics_;
  WorkerPool pool_;
  Deadlines deadlines_;
  std::atomic<unsigned> connections_{0};
  std::atomic<unsigned> admitted_{0};
  std::atomic<bool> stopping_{false};
  mutable std::mutex in_flight_mutex_;
  std::condition_variable in_flight_changed_;
  uint64_t in_flight_ = 0;
  MHD_Daemon* daemon_ = nullptr;
};

}  // namespace korvane::serve
