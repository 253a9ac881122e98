// Import from a server that drips its answer: the download waits for it,
// the window keeps painting meanwhile, and the page fills the form at the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "handlers/Handlers.h"
#include "handlers/LoopbackServer.h"
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

// Answers one request: `first` at once, then the bytes of `dripped` one a second.
class DrippingServer : public testing::LoopbackServer {
 public:
  DrippingServer(std::string first, std::string dripped)
      : LoopbackServer([first = std::move(first), dripped = std::move(dripped)](int connection) {
          bool sent = testing::SendAll(connection, first);
          for (std::size_t i = 0; sent && i < dripped.size(); ++i) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            sent = testing::SendAll(connection, dripped.substr(i, 1));
          }
        }) {}
  std::string Url() const { return LoopbackServer::Url("/drip.htm"); }
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
