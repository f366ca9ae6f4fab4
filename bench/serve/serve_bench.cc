// SPDX-License-Identifier: Apache-2.0
// Load on `korvane serve` from keep-alive clients on loopback, beside the
// command line on the same pages in the same run:
//   - `korvane -j 2` on the pages as files, and on them as JSON lines;
//   - /v1/extract with N = 1, 4, 16, 64 clients, one page per request;
//   - /v1/batch with N = 1, 4, 16, 64 clients, 25 pages per request;
//   - the median page on /v1/extract at half the rate that saturates the
//     service, sent on schedule (latency counted from when each request was
//     due, so that a slow answer delays no measurement).
// Pages: the folder KORVANE_CORPUS names (its *.html files, walked), else 250
// generated news pages.
//
// Usage: serve_bench [--binary PATH] [--jobs N] [--passes N]
//   --binary PATH: the korvane to run (default: the one built beside this)
//   --jobs N: worker threads of the service and of the command line (2)
//   --passes N: requests per client count = N x the pages (default 4)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "decode/decode.h"
#include "decode/utf8.h"
#include "korvane_run.h"
#include "median.h"
#include "news_pages.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using korvane::test_support::RunShell;
using korvane::test_support::ShellQuoted;
using korvane::test_support::TempDir;

constexpr size_t kPagesPerBatch = 25;
constexpr std::array<int, 4> kClients = {1, 4, 16, 64};

struct Page {
  std::string bytes;  // as a crawler fetched it
  std::string line;   // {"url", "html"} with the page decoded to UTF-8
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string JsonLine(const std::string& url, const std::string& bytes) {
  const korvane::cli::DecodedPage decoded = korvane::cli::Decode(bytes, {});
  nlohmann::json object;
  object["url"] = url;
  object["html"] = korvane::cli::ToUtf8(decoded.text);
  return object.dump() + "\n";
}

std::vector<Page> LoadPages(const char* corpus, const fs::path& folder) {
  std::vector<Page> pages;
  if (corpus != nullptr) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
      if (entry.is_regular_file() && entry.path().extension() == ".html") {
        paths.push_back(entry.path());
      }
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) pages.push_back({ReadFile(path), ""});
  } else {
    std::mt19937 random(7);
    for (int n = 0; n < 250; ++n) {
      pages.push_back({korvane::test_support::BatchNewsPage(random, n, "utf-8"), ""});
    }
  }
  for (size_t n = 0; n < pages.size(); ++n) {
    const std::string name = "page" + std::to_string(n) + ".html";
    std::ofstream(folder / name, std::ios::binary) << pages[n].bytes;
    pages[n].line = JsonLine("http://pages.example/" + name, pages[n].bytes);
  }
  return pages;
}

// `korvane serve` in a process of its own, on a port the system picks.
class Service {
 public:
  Service(const std::string& binary, int jobs) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipe_ends[1], STDERR_FILENO);
      const std::string job_text = std::to_string(jobs);
      execl(binary.c_str(), binary.c_str(), "serve", "--listen", "127.0.0.1:0", "-j",
            job_text.c_str(), "--max-connections", "128", "--queue", "1024", nullptr);
      _exit(127);
    }
    close(pipe_ends[1]);
    FILE* err = fdopen(pipe_ends[0], "r");
    char line[512];
    while (std::fgets(line, sizeof line, err) != nullptr) {
      if (const char* at = std::strstr(line, "http://127.0.0.1:")) {
        port_ = std::atoi(at + std::strlen("http://127.0.0.1:"));
        break;
      }
    }
    if (port_ == 0) throw std::runtime_error("korvane serve did not start");
    err_ = err;
  }
  ~Service() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    std::fclose(err_);
  }
  int port() const { return port_; }
  // User and system time of the service so far.
  double CpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
      if (n == 14) user = std::stoull(field);
      if (n == 15) system = std::stoull(field);
    }
    return static_cast<double>(user + system) / sysconf(_SC_CLK_TCK);
  }

 private:
  pid_t pid_ = 0;
  int port_ = 0;
  FILE* err_ = nullptr;
};

// One keep-alive connection, as a crawler's HTTP client holds it.
class Connection {
 public:
  explicit Connection(int port) {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int yes = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("connect");
    }
  }
  ~Connection() { close(socket_); }

  // The answer's status; its body is read and dropped.
  int Post(const std::string& path, const std::string& body) {
    const std::string head = "POST " + path + " HTTP/1.1\r\nHost: bench\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n";
    SendAll(head);
    SendAll(body);
    return ReadAnswer();
  }

 private:
  void SendAll(const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
      const ssize_t n = send(socket_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) throw std::runtime_error("send");
      sent += static_cast<size_t>(n);
    }
  }

  bool Fill() {
    char chunk[65536];
    const ssize_t n = recv(socket_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  std::string TakeLine() {
    size_t end;
    while ((end = buffer_.find("\r\n")) == std::string::npos) {
      if (!Fill()) throw std::runtime_error("connection closed");
    }
    std::string line = buffer_.substr(0, end);
    buffer_.erase(0, end + 2);
    return line;
  }

  void Skip(size_t count) {
    while (buffer_.size() < count) {
      if (!Fill()) throw std::runtime_error("connection closed");
    }
    buffer_.erase(0, count);
  }

  int ReadAnswer() {
    const int status = std::atoi(TakeLine().c_str() + 9);
    size_t length = 0;
    bool chunked = false;
    for (std::string line = TakeLine(); !line.empty(); line = TakeLine()) {
      if (line.starts_with("Content-Length: ")) length = std::stoull(line.substr(16));
      if (line.starts_with("Transfer-Encoding: chunked")) chunked = true;
    }
    if (!chunked) {
      Skip(length);
      return status;
    }
    for (size_t size = std::stoull(TakeLine(), nullptr, 16); size > 0;
         size = std::stoull(TakeLine(), nullptr, 16)) {
      Skip(size + 2);
    }
    TakeLine();  // the blank line after the last chunk
    return status;
  }

  int socket_ = -1;
  std::string buffer_;
};

struct Load {
  double pages_per_second = 0;
  double cpu_ms_per_page = 0;         // of the service, or of the command line
  double client_cpu_ms_per_page = 0;  // of the clients, on the same cores
  double p50_ms = 0;
  double p99_ms = 0;
  int failures = 0;
};

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()))];
}

// `clients` connections, each sending the next body as soon as its last
// answer is in, until `count` requests are answered.
Load ClosedLoop(int port, int clients, const std::string& path,
                const std::vector<std::string>& bodies, size_t pages_per_body, size_t count) {
  std::atomic<size_t> next{0};
  std::atomic<int> failures{0};
  std::vector<std::vector<double>> latencies(clients);
  const Clock::time_point start = Clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      Connection connection(port);
      for (size_t n = next++; n < count; n = next++) {
        const Clock::time_point sent = Clock::now();
        if (connection.Post(path, bodies[n % bodies.size()]) != 200) ++failures;
        latencies[c].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<double> all;
  for (const auto& some : latencies) all.insert(all.end(), some.begin(), some.end());
  Load load;
  load.pages_per_second = count * pages_per_body / seconds;
  load.p50_ms = Percentile(all, 0.5);
  load.p99_ms = Percentile(all, 0.99);
  load.failures = failures;
  return load;
}

// `body` sent at `rate` requests per second in all, spread over
// `connections`, for `seconds`; latency from when each request was due.
Load OpenLoop(int port, int connections, double rate, double seconds, const std::string& body) {
  const size_t count = static_cast<size_t>(rate * seconds);
  std::vector<std::vector<double>> latencies(connections);
  std::atomic<int> failures{0};
  const Clock::time_point start = Clock::now() + std::chrono::milliseconds(100);
  std::vector<std::thread> threads;
  for (int c = 0; c < connections; ++c) {
    threads.emplace_back([&, c] {
      Connection connection(port);
      for (size_t n = c; n < count; n += connections) {
        const Clock::time_point due = start + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(n / rate));
        std::this_thread::sleep_until(due);
        if (connection.Post("/v1/extract", body) != 200) ++failures;
        latencies[c].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - due).count());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<double> all;
  for (const auto& some : latencies) all.insert(all.end(), some.begin(), some.end());
  Load load;
  load.pages_per_second = rate;
  load.p50_ms = Percentile(all, 0.5);
  load.p99_ms = Percentile(all, 0.99);
  load.failures = failures;
  return load;
}

// Pages per second and CPU time per page of the command line (medians of
// 3 runs).
Load CommandLine(const fs::path& folder, const std::string& binary, int jobs,
                 const std::string& arguments, size_t pages) {
  std::vector<double> seconds, cpu;
  for (int run = 0; run < 3; ++run) {
    const auto ran = RunShell(folder, ShellQuoted(binary) + " -q -j " + std::to_string(jobs) +
                                          " -f jsonl " + arguments + " > /dev/null");
    seconds.push_back(ran.seconds);
    cpu.push_back(ran.cpu_seconds);
  }
  Load load;
  load.pages_per_second = pages / korvane::bench::Median(seconds);
  load.cpu_ms_per_page = 1000 * korvane::bench::Median(cpu) / pages;
  return load;
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// `run` with the CPU time per page of the service and of the clients.
template <typename Run>
Load Measured(const Service& service, size_t pages, Run run) {
  const double before = service.CpuSeconds();
  const double own_before = OwnCpuSeconds();
  Load load = run();
  load.cpu_ms_per_page = 1000 * (service.CpuSeconds() - before) / pages;
  load.client_cpu_ms_per_page = 1000 * (OwnCpuSeconds() - own_before) / pages;
  return load;
}

void PrintLoad(const char* what, int clients, const Load& load, double command_line) {
  std::printf("| %s | %d | %.0f | %.0f%% | %.3f | %.3f | %.2f | %.2f |%s\n", what, clients,
              load.pages_per_second, 100 * load.pages_per_second / command_line,
              load.cpu_ms_per_page, load.client_cpu_ms_per_page, load.p50_ms, load.p99_ms,
              load.failures ? " failures!" : "");
}

}  // namespace

int main(int argc, char** argv) {
  std::string binary = korvane::test_support::KorvaneBinary();
  int jobs = 2;
  size_t passes = 4;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--binary") binary = argv[i + 1];
    if (option == "--jobs") jobs = std::atoi(argv[i + 1]);
    if (option == "--passes") passes = std::strtoul(argv[i + 1], nullptr, 10);
  }
  const char* corpus = std::getenv("KORVANE_CORPUS");
  const TempDir folder;
  fs::create_directories(folder.path() / "pages");
  const std::vector<Page> pages = LoadPages(corpus, folder.path() / "pages");
  std::string lines;
  std::vector<std::string> raw, batches;
  for (size_t n = 0; n < pages.size(); ++n) {
    raw.push_back(pages[n].bytes);
    if (n % kPagesPerBatch == 0) batches.emplace_back();
    batches.back() += pages[n].line;
    lines += pages[n].line;
  }
  std::ofstream(folder.path() / "pages.jsonl", std::ios::binary) << lines;
  std::printf("%zu pages (%s), service and command line with %d workers\n\n", pages.size(),
              corpus != nullptr ? corpus : "generated", jobs);

  const Load files = CommandLine(folder.path(), binary, jobs, "pages", pages.size());
  const Load stdin_jsonl =
      CommandLine(folder.path(), binary, jobs, "--stdin-jsonl < pages.jsonl", pages.size());
  std::printf(
      "| run | clients | pages/s | of `korvane -j %d` | CPU ms/page | clients' CPU ms/page | "
      "p50 ms | p99 ms |\n",
      jobs);
  std::printf("|---|---|---|---|---|---|---|---|\n");
  std::printf("| `korvane -j %d` on the files | | %.0f | 100%% | %.3f | | | |\n", jobs,
              files.pages_per_second, files.cpu_ms_per_page);
  std::printf("| `korvane -j %d --stdin-jsonl` | | %.0f | %.0f%% | %.3f | | | |\n", jobs,
              stdin_jsonl.pages_per_second,
              100 * stdin_jsonl.pages_per_second / files.pages_per_second,
              stdin_jsonl.cpu_ms_per_page);
  const Service service(binary, jobs);
  for (const int clients : kClients) {
    const size_t count = passes * pages.size();
    PrintLoad(
        "/v1/extract", clients,
        Measured(service, count,
                 [&] { return ClosedLoop(service.port(), clients, "/v1/extract", raw, 1, count); }),
        files.pages_per_second);
  }
  for (const int clients : kClients) {
    const size_t count = std::max<size_t>(passes * batches.size(), 2 * clients);
    PrintLoad("/v1/batch, 25 pages a request", clients,
              Measured(service, count * kPagesPerBatch,
                       [&] {
                         return ClosedLoop(service.port(), clients, "/v1/batch", batches,
                                           kPagesPerBatch, count);
                       }),
              files.pages_per_second);
  }
  // The median page alone: its saturating rate, then half of it on schedule.
  std::vector<std::string> by_size = raw;
  std::sort(by_size.begin(), by_size.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  const std::string& median = by_size[by_size.size() / 2];
  const Load median_saturated =
      ClosedLoop(service.port(), 16, "/v1/extract", {median}, 1, passes * pages.size());
  const Load half = OpenLoop(service.port(), 8, median_saturated.pages_per_second / 2, 4, median);
  std::printf(
      "\nthe median page (%zu bytes): saturated at %.0f pages/s (16 clients); at %.0f "
      "pages/s on schedule (8 connections, 4 s): p50 %.2f ms, p99 %.2f ms%s\n",
      median.size(), median_saturated.pages_per_second, half.pages_per_second, half.p50_ms,
      half.p99_ms, half.failures ? " failures!" : "");
  return 0;
}
