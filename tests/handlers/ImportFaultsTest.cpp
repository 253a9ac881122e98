// Import from a server that drips its answer: the download waits for it,
// the window keeps painting meanwhile, and the page fills the form at the end.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "handlers/Handlers.h"
#include "handlers/ScriptedHost.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;

// A host that counts the times it is asked to let the window paint.
class PaintCountingHost : public testing::ScriptedHost {
 public:
  int Paints = 0;
  void KeepPainting() override { ++Paints; }
};

// Answers one request on 127.0.0.1: `first` at once, then the bytes of
// `dripped` one a second.
class DrippingServer {
 public:
  DrippingServer(std::string first, std::string dripped) : first_(std::move(first)), dripped_(std::move(dripped)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("no loopback socket");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~DrippingServer() {
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/drip.htm"; }

 private:
  void Serve() {
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    bool sent = ::send(connection, first_.data(), first_.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(first_.size());
    for (std::size_t i = 0; sent && i < dripped_.size(); ++i) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      sent = ::send(connection, &dripped_[i], 1, MSG_NOSIGNAL) == 1;
    }
    ::close(connection);
  }

  std::string first_, dripped_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

TEST(ImportFromADrippingServer, WaitsPaintingAndThenFillsTheForm) {
  const fs::path previous = fs::current_path();
  const fs::path folder = fs::temp_directory_path() / ("verdo-drip-test-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);  // Import writes "temp.htm" here

  const std::string page = "<HTML>\r\n<HEAD>\r\n<TITLE>Slow</TITLE>\r\n</HEAD>\r\n";
  const std::string dripped = page.substr(page.size() - 3);
  PaintCountingHost host;
  {
    DrippingServer server("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                              "\r\nConnection: close\r\n\r\n" + page.substr(0, page.size() - 3),
                          dripped);
    host.Controls.RedirectUrl = server.Url();
    handlers::OnImport(host);
  }
  fs::current_path(previous);
  fs::remove_all(folder);

  EXPECT_EQ(host.Controls.Title, "Slow");
  EXPECT_EQ(host.ControlStatus, "Done");
  // Three seconds of waiting: libcurl reports progress at least once a second.
  EXPECT_GE(host.Paints, 2);
}

}  // namespace
}  // namespace verdo
