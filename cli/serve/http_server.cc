// SPDX-License-Identifier: Apache-2.0
#include "http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

#include "ascii.h"
#include "auth.h"
#include "batch.h"
#include "extract.h"
#include "input/byte_reader.h"
#include "peer.h"
#include "render/names.h"
#include "responses.h"
#include "try_page.h"

namespace korvane::serve {

using Clock = std::chrono::steady_clock;

namespace {

// Memory the library gives each connection for its head and read buffer:
// a head larger than this gets 431.
constexpr size_t kConnectionMemory = 64 * 1024;
// Pages of one batch converted or converting but not yet sent, per worker.
constexpr size_t kWindowPerWorker = 4;

static_assert(Batch::kEnd == MHD_CONTENT_READER_END_OF_STREAM);
static_assert(Batch::kBroken == MHD_CONTENT_READER_END_WITH_ERROR);

// Connections past --max-connections that are still accepted, so that they
// hear 503 rather than wait unseen; those past them wait to be accepted.
unsigned Overflow(unsigned max_connections) { return std::max(16u, max_connections / 4); }

struct Route {
  Endpoint endpoint;
  bool post;     // else GET and HEAD
  bool guarded;  // needs the token, when there is one
};

std::optional<Route> RouteOf(std::string_view path) {
  if (path == "/") return Route{Endpoint::kPage, false, false};
  if (path == "/healthz") return Route{Endpoint::kHealth, false, false};
  if (path == "/metrics") return Route{Endpoint::kMetrics, false, true};
  if (path == "/v1/extract") return Route{Endpoint::kExtract, true, true};
  if (path == "/v1/batch") return Route{Endpoint::kBatch, true, true};
  return std::nullopt;
}

// Nothing after the page embedded in the program is fetched from anywhere.
const Headers& PageHeaders() {
  static const Headers headers = {
      {"Content-Security-Policy",
       "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
       "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
       "frame-ancestors 'none'"},
      {"Cache-Control", "no-cache"}};
  return headers;
}

const char* Header(MHD_Connection* connection, const char* name) {
  return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
}

const char* Argument(MHD_Connection* connection, const char* name) {
  return MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, name);
}

std::string MediaType(const char* content_type) {
  if (content_type == nullptr) return {};
  const std::string_view value(content_type);
  return cli::AsciiLowered(cli::TrimHeaderSpace(value.substr(0, value.find(';'))));
}

std::optional<uint64_t> ContentLength(MHD_Connection* connection) {
  const char* text = Header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
  if (text == nullptr) return std::nullopt;
  uint64_t length = 0;
  const char* end = text + std::strlen(text);
  if (std::from_chars(text, end, length).ptr != end) return std::nullopt;
  return length;
}

MHD_Result CountLengthField(void* count, MHD_ValueKind, const char* key, const char*) {
  if (strcasecmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0 ||
      strcasecmp(key, MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0) {
    ++*static_cast<int*>(count);
  }
  return MHD_YES;
}

// Two Content-Length fields, or one beside Transfer-Encoding: a proxy in
// front may read another body than the library does (request smuggling).
bool AmbiguousLength(MHD_Connection* connection) {
  int count = 0;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &CountLengthField, &count);
  return count > 1;
}

bool Bodiless(MHD_Connection* connection) {
  if (Header(connection, MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr) return false;
  const std::optional<uint64_t> length = ContentLength(connection);
  return !length || *length == 0;
}

std::shared_ptr<Peer> SharedPeerOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return *static_cast<std::shared_ptr<Peer>*>(info->socket_context);
}

ssize_t ReadBatch(void* batch, uint64_t, char* buffer, size_t size) {
  return (*static_cast<std::shared_ptr<Batch>*>(batch))->Read(buffer, size);
}

void FreeBatch(void* batch) {
  auto* held = static_cast<std::shared_ptr<Batch>*>(batch);
  (*held)->Cancel();
  delete held;
}

// The library's messages (with --verbose), escaped as names are: they may
// quote what a client sent.
void LogMessage(void*, const char* format, va_list arguments) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::string line = cli::EscapedName(cli::TrimHeaderSpace(text));
  std::fprintf(stderr, "korvane serve: %s\n", line.c_str());
}

}  // namespace

enum class Stage { kHead, kReceiving, kWorking, kAnswered };

// One request, from its head to its answer's last byte.
struct Exchange {
  Endpoint endpoint = Endpoint::kOther;
  Clock::time_point start = Clock::now();
  std::shared_ptr<Peer> peer;
  Stage stage = Stage::kHead;
  PageRequest page;
  Algorithm algorithm = Algorithm::kBlock;
  std::string body;
  bool too_large = false;
  uint64_t bytes_in = 0;
  // Written by the worker before it resumes the connection.
  std::atomic<bool> worked{false};
  bool refused = false;    // the queue was full
  bool abandoned = false;  // the client left before a worker took the page
  Answer answer;
  int status = 0;
  std::string out;  // the answer's body, held until it is sent
  std::shared_ptr<Batch> batch;
};

HttpServer::HttpServer(const ServerSettings& settings)
    : settings_(settings),
      pool_(settings.jobs, settings.queue),
      deadlines_(std::chrono::seconds(settings.request_timeout)) {
  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
  if (settings.listen.address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
  if (settings.verbose) flags |= MHD_USE_ERROR_LOG;
  daemon_ = MHD_start_daemon(
      flags, 0, nullptr, nullptr, &HttpServer::OnRequest, this, MHD_OPTION_SOCK_ADDR,
      &settings_.listen.address, MHD_OPTION_CONNECTION_LIMIT,
      settings.max_connections + Overflow(settings.max_connections), MHD_OPTION_CONNECTION_TIMEOUT,
      settings.idle_timeout, MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,
      MHD_OPTION_NOTIFY_COMPLETED, &HttpServer::OnCompleted, this, MHD_OPTION_NOTIFY_CONNECTION,
      &HttpServer::OnConnection, this, MHD_OPTION_EXTERNAL_LOGGER, &LogMessage, nullptr,
      MHD_OPTION_END);
  if (daemon_ == nullptr) {
    const int error = errno;
    throw std::runtime_error("cannot listen on " + AddressText(settings.listen.address) +
                             (error != 0 ? std::string(": ") + std::strerror(error) : ""));
  }
}

HttpServer::~HttpServer() { MHD_stop_daemon(daemon_); }

sockaddr_storage HttpServer::address() const {
  sockaddr_storage address = settings_.listen.address;
  const uint16_t port = htons(MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT)->port);
  if (address.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(address).sin6_port = port;
  } else {
    reinterpret_cast<sockaddr_in&>(address).sin_port = port;
  }
  return address;
}

void HttpServer::StopAccepting() {
  stopping_ = true;
  const MHD_socket listener = MHD_quiesce_daemon(daemon_);
  if (listener != MHD_INVALID_SOCKET) close(listener);
}

void HttpServer::WaitForRequestsInFlight() {
  std::unique_lock lock(in_flight_mutex_);
  in_flight_changed_.wait(lock, [&] { return in_flight_ == 0; });
}

MHD_Result HttpServer::OnRequest(void* self, MHD_Connection* connection, const char* url,
                                 const char* method, const char*, const char* upload_data,
                                 size_t* upload_data_size, void** request) {
  auto& server = *static_cast<HttpServer*>(self);
  auto* exchange = static_cast<Exchange*>(*request);
  if (exchange == nullptr) {
    exchange = new Exchange;
    exchange->peer = SharedPeerOf(connection);
    exchange->algorithm = server.settings_.algorithm;
    *request = exchange;
    {
      std::lock_guard lock(server.in_flight_mutex_);
      ++server.in_flight_;
    }
    // An answer queued before the library has read the whole request makes
    // it close the connection: a request without a body is answered on the
    // next call, when it is whole, so that its connection is kept alive.
    if (AmbiguousLength(connection)) {
      return server.Refuse(connection, *exchange, MHD_HTTP_BAD_REQUEST,
                           "the body's length is ambiguous: more than one Content-Length, or "
                           "Content-Length beside Transfer-Encoding");
    }
    if (Bodiless(connection)) return MHD_YES;
    return server.Begin(connection, url, method, *exchange);
  }
  switch (exchange->stage) {
    case Stage::kHead:
      if (*upload_data_size == 0) return server.Begin(connection, url, method, *exchange);
      break;
    case Stage::kReceiving:
      if (*upload_data_size == 0) return server.Received(connection, *exchange);
      server.Receive(*exchange, upload_data, *upload_data_size);
      *upload_data_size = 0;
      return MHD_YES;
    case Stage::kWorking:
      if (!exchange->worked.load(std::memory_order_acquire)) return MHD_YES;
      if (exchange->abandoned) return MHD_NO;  // the client left: close
      if (exchange->refused) {
        return server.Refuse(connection, *exchange, MHD_HTTP_SERVICE_UNAVAILABLE,
                             "busy: " + std::to_string(server.settings_.queue) +
                                 " pages wait for a worker (--queue); try again");
      }
      return server.Answer(connection, *exchange, exchange->answer.status,
                           std::move(exchange->answer.json), kJsonType);
    case Stage::kAnswered:
      break;
  }
  *upload_data_size = 0;  // a body after an answer: dropped
  return MHD_YES;
}

MHD_Result HttpServer::Begin(MHD_Connection* connection, const char* url, const char* method,
                             Exchange& exchange) {
  if (stopping_) {
    return Refuse(connection, exchange, MHD_HTTP_SERVICE_UNAVAILABLE, "the service is stopping");
  }
  if (!exchange.peer->admitted()) {
    metrics_.CountRefused();
    return Refuse(connection, exchange, MHD_HTTP_SERVICE_UNAVAILABLE,
                  "too many connections (--max-connections " +
                      std::to_string(settings_.max_connections) + "); try again");
  }
  const std::optional<Route> route = RouteOf(url);
  if (!route) {
    return Refuse(connection, exchange, MHD_HTTP_NOT_FOUND,
                  std::string("no such endpoint: ") + url);
  }
  exchange.endpoint = route->endpoint;
  const std::string_view verb(method);
  if (route->post ? verb != "POST" : verb != "GET" && verb != "HEAD") {
    return Refuse(
        connection, exchange, MHD_HTTP_METHOD_NOT_ALLOWED,
        std::string(url) + " takes " + (route->post ? "POST" : "GET or HEAD") + ", not " + method);
  }
  if (route->guarded && settings_.token &&
      !Authorized(Header(connection, MHD_HTTP_HEADER_AUTHORIZATION), *settings_.token)) {
    return Refuse(connection, exchange, MHD_HTTP_UNAUTHORIZED,
                  "a bearer token is needed: Authorization: Bearer TOKEN");
  }
  switch (route->endpoint) {
    case Endpoint::kPage:
      return Answer(connection, exchange, MHD_HTTP_OK, std::string(kTryPage),
                    "text/html; charset=utf-8");
    case Endpoint::kHealth:
      return Answer(connection, exchange, MHD_HTTP_OK, "{\"status\":\"ok\"}\n", kJsonType);
    case Endpoint::kMetrics:
      return Answer(connection, exchange, MHD_HTTP_OK, metrics_.Text(CurrentGauges()),
                    "text/plain; version=0.0.4; charset=utf-8");
    default:
      return BeginPost(connection, exchange);
  }
}

MHD_Result HttpServer::BeginPost(MHD_Connection* connection, Exchange& exchange) {
  const char* coding = Header(connection, MHD_HTTP_HEADER_CONTENT_ENCODING);
  if (coding != nullptr && cli::AsciiLowered(cli::TrimHeaderSpace(coding)) != "identity") {
    return Refuse(
        connection, exchange, MHD_HTTP_UNSUPPORTED_MEDIA_TYPE,
        std::string("Content-Encoding ") + coding + " is not taken: send the body as it is");
  }
  const std::optional<uint64_t> length = ContentLength(connection);
  if (length && *length > settings_.max_page_size) {
    return Refuse(
        connection, exchange, MHD_HTTP_CONTENT_TOO_LARGE,
        "the body is larger than " + cli::SizeText(settings_.max_page_size) + " (--max-page-size)");
  }
  if (const char* algorithm = Argument(connection, "algorithm")) {
    const std::string_view name(algorithm);
    if (name != "block" && name != "dom") {
      return Refuse(connection, exchange, MHD_HTTP_BAD_REQUEST,
                    std::string("unknown algorithm: ") + algorithm + " (block or dom)");
    }
    exchange.algorithm = name == "dom" ? Algorithm::kDom : Algorithm::kBlock;
  }
  const char* content_type = Header(connection, MHD_HTTP_HEADER_CONTENT_TYPE);
  exchange.page.json = MediaType(content_type) == "application/json";
  exchange.page.content_type = content_type != nullptr ? content_type : "";
  const char* url = Argument(connection, "url");
  exchange.page.url = url != nullptr ? url : "";
  if (length) exchange.body.reserve(*length);
  exchange.stage = Stage::kReceiving;
  return MHD_YES;
}

void HttpServer::Receive(Exchange& exchange, const char* data, size_t size) {
  exchange.bytes_in += size;
  if (exchange.too_large) return;
  if (exchange.body.size() + size > settings_.max_page_size) {
    exchange.too_large = true;
    std::string().swap(exchange.body);
    return;
  }
  exchange.body.append(data, size);
}

MHD_Result HttpServer::Received(MHD_Connection* connection, Exchange& exchange) {
  deadlines_.Disarm(exchange.peer.get());
  if (exchange.too_large) {
    return Refuse(
        connection, exchange, MHD_HTTP_CONTENT_TOO_LARGE,
        "the body is larger than " + cli::SizeText(settings_.max_page_size) + " (--max-page-size)");
  }
  return exchange.endpoint == Endpoint::kExtract ? StartExtract(connection, exchange)
                                                 : StartBatch(connection, exchange);
}

// The connection is suspended before the page is queued, so that the worker
// can never resume it before it is suspended.
MHD_Result HttpServer::StartExtract(MHD_Connection* connection, Exchange& exchange) {
  exchange.stage = Stage::kWorking;
  MHD_suspend_connection(connection);
  Exchange* working = &exchange;
  const bool queued = pool_.Submit([this, working, connection] {
    if (working->peer->Gone()) {
      working->abandoned = true;
      metrics_.CountPage(PageOutcome::kAbandoned);
    } else {
      working->answer =
          ExtractPage(PageInput(working->page, std::move(working->body)), working->algorithm);
      metrics_.CountPage(working->answer.status == MHD_HTTP_OK ? PageOutcome::kConverted
                                                               : PageOutcome::kFailed);
    }
    working->worked.store(true, std::memory_order_release);
    MHD_resume_connection(connection);
  });
  if (!queued) {
    exchange.refused = true;
    exchange.worked.store(true, std::memory_order_release);
    MHD_resume_connection(connection);
  }
  return MHD_YES;
}

MHD_Result HttpServer::StartBatch(MHD_Connection* connection, Exchange& exchange) {
  if (pool_.Waiting() >= settings_.queue) {
    return Refuse(connection, exchange, MHD_HTTP_SERVICE_UNAVAILABLE,
                  "busy: " + std::to_string(settings_.queue) +
                      " pages wait for a worker (--queue); try again");
  }
  BatchContext context;
  context.pool = &pool_;
  context.metrics = &metrics_;
  context.peer = exchange.peer;
  context.algorithm = exchange.algorithm;
  context.window = kWindowPerWorker * pool_.threads();
  context.suspend = [connection] { MHD_suspend_connection(connection); };
  context.resume = [connection] { MHD_resume_connection(connection); };
  exchange.batch = std::make_shared<Batch>(std::move(exchange.body), std::move(context));
  exchange.status = MHD_HTTP_OK;
  exchange.stage = Stage::kAnswered;
  auto* held = new std::shared_ptr<Batch>(exchange.batch);
  Headers headers;
  if (stopping_) headers.emplace_back(MHD_HTTP_HEADER_CONNECTION, "close");
  if (!QueueStream(connection, MHD_HTTP_OK, kJsonLinesType, &ReadBatch, held, &FreeBatch,
                   headers)) {
    return MHD_NO;
  }
  exchange.batch->Start();
  return MHD_YES;
}

MHD_Result HttpServer::Answer(MHD_Connection* connection, Exchange& exchange, int status,
                              std::string body, const char* type) {
  Headers headers;
  if (exchange.endpoint == Endpoint::kPage && status == MHD_HTTP_OK) headers = PageHeaders();
  if (stopping_) headers.emplace_back(MHD_HTTP_HEADER_CONNECTION, "close");
  exchange.status = status;
  exchange.stage = Stage::kAnswered;
  exchange.out = std::move(body);
  return QueueAnswer(connection, status, exchange.out, type, headers) ? MHD_YES : MHD_NO;
}

MHD_Result HttpServer::Refuse(MHD_Connection* connection, Exchange& exchange, int status,
                              std::string_view message) {
  Headers headers;
  switch (status) {
    case MHD_HTTP_SERVICE_UNAVAILABLE:
      headers.emplace_back(MHD_HTTP_HEADER_RETRY_AFTER, "1");
      if (stopping_ || !exchange.peer->admitted()) {
        headers.emplace_back(MHD_HTTP_HEADER_CONNECTION, "close");
      }
      break;
    case MHD_HTTP_UNAUTHORIZED:
      headers.emplace_back(MHD_HTTP_HEADER_WWW_AUTHENTICATE, "Bearer realm=\"korvane\"");
      break;
    case MHD_HTTP_METHOD_NOT_ALLOWED:
      headers.emplace_back(MHD_HTTP_HEADER_ALLOW, exchange.endpoint == Endpoint::kExtract ||
                                                          exchange.endpoint == Endpoint::kBatch
                                                      ? "POST"
                                                      : "GET, HEAD");
      break;
    default:
      break;
  }
  if (stopping_ && status != MHD_HTTP_SERVICE_UNAVAILABLE) {
    headers.emplace_back(MHD_HTTP_HEADER_CONNECTION, "close");
  }
  exchange.status = status;
  exchange.stage = Stage::kAnswered;
  exchange.out = ErrorJson(message);
  return QueueAnswer(connection, status, exchange.out, kJsonType, headers) ? MHD_YES : MHD_NO;
}

void HttpServer::OnCompleted(void* self, MHD_Connection*, void** request,
                             MHD_RequestTerminationCode) {
  auto* exchange = static_cast<Exchange*>(*request);
  if (exchange == nullptr) return;
  *request = nullptr;
  static_cast<HttpServer*>(self)->Complete(exchange);
}

void HttpServer::Complete(Exchange* exchange) {
  const double seconds = std::chrono::duration<double>(Clock::now() - exchange->start).count();
  const uint64_t bytes_out = exchange->batch ? exchange->batch->bytes_sent() : exchange->out.size();
  metrics_.CountRequest(exchange->endpoint, exchange->status, seconds, exchange->bytes_in,
                        bytes_out);
  // The connection now waits for its next request, if it stays open.
  if (!stopping_) deadlines_.Arm(exchange->peer);
  delete exchange;
  {
    std::lock_guard lock(in_flight_mutex_);
    --in_flight_;
  }
  in_flight_changed_.notify_all();
}

void HttpServer::OnConnection(void* self, MHD_Connection* connection, void** socket_context,
                              MHD_ConnectionNotificationCode code) {
  auto& server = *static_cast<HttpServer*>(self);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    ++server.connections_;
    const bool admitted = server.admitted_ < server.settings_.max_connections;
    if (admitted) ++server.admitted_;
    auto* peer = new std::shared_ptr<Peer>(std::make_shared<Peer>(info->connect_fd, admitted));
    *socket_context = peer;
    server.deadlines_.Arm(*peer);
    return;
  }
  auto* peer = static_cast<std::shared_ptr<Peer>*>(*socket_context);
  if (peer == nullptr) return;
  server.deadlines_.Disarm(peer->get());
  (*peer)->Closed();
  if ((*peer)->admitted()) --server.admitted_;
  --server.connections_;
  delete peer;
  *socket_context = nullptr;
}

Gauges HttpServer::CurrentGauges() const {
  Gauges gauges;
  gauges.connections = connections_;
  {
    std::lock_guard lock(in_flight_mutex_);
    gauges.requests_in_flight = in_flight_;
  }
  gauges.pages_waiting = pool_.Waiting();
  gauges.workers_busy = pool_.Busy();
  return gauges;
}

}  // namespace korvane::serve
