// Import from slow servers: the download waits for them, the window keeps
// painting and shows "Please Wait" meanwhile, and the page fills the form at
// the end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "handlers/Handlers.h"
#include "handlers/LoopbackServer.h"
#include "handlers/ScriptedHost.h"
#include "platform/Files.h"

namespace verdo {
namespace {

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
  testing::CurrentFolder folder;  // Import writes "temp.htm" here
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

  EXPECT_EQ(host.Controls.Title, "Slow");
  EXPECT_EQ(host.ControlStatus, "Done");
  // Three seconds of waiting: libcurl reports progress at least once a second.
  EXPECT_GE(host.Paints, 2);
}

// A host that tells another thread when it shows "Please Wait".
class WatchedHost : public testing::ScriptedHost {
 public:
  std::atomic<bool> Waiting{false};
  void ShowForm() override {
    ScriptedHost::ShowForm();
    if (Status == "Please Wait") Waiting = true;
  }
};

// The address has opened once the answer's headers are in: "Please Wait"
// shows before any byte of the body. The server holds the body back until
// then, ten seconds at most.
TEST(ImportFromASlowServer, ShowsPleaseWaitOnceTheHeadersAreIn) {
  testing::CurrentFolder folder;  // Import writes "temp.htm" here
  const std::string page = "<TITLE>Slow</TITLE>\r\n</HEAD>\r\n";
  WatchedHost host;
  std::atomic<bool> waitingBeforeBody{false};
  {
    testing::LoopbackServer server([&](int connection) {
      testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                                       "\r\nConnection: close\r\n\r\n");
      for (int i = 0; i < 1000 && !host.Waiting; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      waitingBeforeBody = host.Waiting.load();
      testing::SendAll(connection, page);
    });
    host.Controls.RedirectUrl = server.Url("/slow.htm");
    handlers::OnImport(host);
  }
  EXPECT_TRUE(waitingBeforeBody);
  EXPECT_EQ(host.Controls.Title, "Slow");
}

}  // namespace
}  // namespace verdo
