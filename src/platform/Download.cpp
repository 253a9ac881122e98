#include "platform/Download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <strings.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace verdo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kClientName = "Verdo 1.0 Agent";
constexpr long kMaxRedirections = 10;
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kDefaultStallSeconds = 30;
constexpr long kDefaultTransferSeconds = 120;
constexpr std::size_t kWriteBufferSize = 1 << 20;
constexpr std::size_t kReadBufferSize = 1 << 18;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

// A number of seconds from the environment (for tests), else `fallback`.
long SecondsFrom(const char* name, long fallback) {
  if (const char* text = std::getenv(name)) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds > 0 && seconds <= 3600) return seconds;
  }
  return fallback;
}

// The output file, written through a buffer, at most kMaxDownloadBytes.
class FileSink {
 public:
  explicit FileSink(int fd) : fd_(fd) { buffer_.reserve(kWriteBufferSize); }

  bool Write(const char* data, std::size_t size) {
    if (size > kMaxDownloadBytes - stored_) {
      reason_ = "larger than " + std::to_string(kMaxDownloadBytes >> 20) + " MiB";
      return false;
    }
    stored_ += size;
    if (buffer_.size() + size > kWriteBufferSize) {
      if (!Flush()) return false;
      if (size >= kWriteBufferSize) return Stored(WriteAll(fd_, data, size));
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
  }

  bool Flush() {
    const bool ok = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return Stored(ok);
  }

  // No part of a failed body stays behind to be taken for a page, nor holds
  // the disk.
  void Empty() {
    buffer_.clear();
    if (::ftruncate(fd_, 0) != 0) {
      // the scratch file goes unused and unnamed all the same
    }
  }

  // Why a write failed; empty when none did.
  const std::string& Reason() const { return reason_; }

 private:
  bool Stored(bool ok) {
    if (!ok) reason_ = ErrorText(errno);
    return ok;
  }

  int fd_;
  std::uint64_t stored_ = 0;
  std::vector<char> buffer_;
  std::string reason_;
};

struct Transfer {
  FileSink* Sink;
  const DownloadEvents* Events;
  CURL* Curl;
  Clock::duration Stall;
  bool Opened = false;
  bool Stalled = false;
  std::uint64_t HeaderBytes = 0;  // of every answer of the transfer, trailers included
  bool HeadersTooLarge = false;
  Clock::time_point LastProgress{};
  Clock::time_point LastArrival = Clock::now();
  curl_off_t Received = 0;

  void Open() {
    if (Opened) return;
    Opened = true;
    if (Events->Opened) Events->Opened();
  }

  void KeepPainting() {
    if (!Events->Progress) return;
    const auto now = Clock::now();
    if (now - LastProgress >= kProgressInterval) {
      LastProgress = now;
      Events->Progress();
    }
  }
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  transfer->LastArrival = Clock::now();
  transfer->Open();
  return transfer->Sink->Write(data, bytes) ? bytes : 0;
}

// An http address has opened once the headers of a successful answer are in
// (a blank line ends them): its body follows. Interim answers and
// redirections don't count. Other schemes open with their first byte.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  transfer->LastArrival = Clock::now();
  // libcurl keeps every header and trailer it hands over: a server that
  // sends them without end would take all memory.
  transfer->HeaderBytes += bytes;
  if (transfer->HeaderBytes > kMaxHeaderBytes) {
    transfer->HeadersTooLarge = true;
    return 0;
  }
  if (std::string_view(data, bytes).find_first_not_of("\r\n") == std::string_view::npos) {
    long status = 0;
    curl_easy_getinfo(transfer->Curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200 && status < 300) transfer->Open();
  }
  return bytes;
}

// libcurl calls this at least once a second, also while nothing arrives:
// the idle timer. A transfer ends when nothing at all has come for the
// stall time, however slowly bytes came before.
int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  const auto now = Clock::now();
  if (received != transfer->Received) {
    transfer->Received = received;
    transfer->LastArrival = now;
  }
  if (now - transfer->LastArrival >= transfer->Stall) {
    transfer->Stalled = true;
    return 1;
  }
  transfer->KeepPainting();
  return 0;
}

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using Url = std::unique_ptr<CURLU, UrlDeleter>;

// The address as libcurl takes it, or null when it isn't one. An address
// must name its scheme: libcurl would take "host/page" for an http address.
Url ParseAddress(const std::string& address) {
  Url url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return nullptr;
  return url;
}

// Every option of the fixed request; false when libcurl refuses one.
bool SetRequest(CURL* curl, CURLU* address, curl_slist* headers, Transfer& transfer) {
  bool ok = true;
  auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
  set(curl_easy_setopt(curl, CURLOPT_CURLU, address));
  set(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp"));
  set(curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp"));
  set(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirections));
  set(curl_easy_setopt(curl, CURLOPT_USERAGENT, kClientName));
  set(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers));
  set(curl_easy_setopt(curl, CURLOPT_PROXY, ""));
  set(curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L));
  set(curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L));
  set(curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L));
  set(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L));
  set(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L));
  if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle && *bundle)
    set(curl_easy_setopt(curl, CURLOPT_CAINFO, bundle));
  set(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds));
  set(curl_easy_setopt(curl, CURLOPT_TIMEOUT, SecondsFrom("VERDO_TRANSFER_TIMEOUT", kDefaultTransferSeconds)));
  set(curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxDownloadBytes)));
  set(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
  set(curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(CURL_MAX_READ_SIZE)));
  set(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody));
  set(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer));
  set(curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader));
  set(curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer));
  set(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L));
  set(curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress));
  set(curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer));
  return ok;
}

// An HTTP error status that got past the transfer (FAILONERROR lets some
// authentication answers through).
long HttpErrorStatus(CURL* curl) {
  const char* scheme = nullptr;
  long status = 0;
  if (curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme) return 0;
  if (strcasecmp(scheme, "http") != 0 && strcasecmp(scheme, "https") != 0) return 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return status >= 400 ? status : 0;
}

std::string UrlPart(CURLU* address, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  std::string value;
  if (curl_url_get(address, part, &text, flags) == CURLUE_OK && text) value = text;
  curl_free(text);
  return value;
}

bool IsFileAddress(CURLU* address) { return strcasecmp(UrlPart(address, CURLUPART_SCHEME).c_str(), "file") == 0; }

// What went wrong, with the code that the stderr line gives.
struct Failure {
  CURLcode Code = CURLE_OK;
  std::string Reason;
};

// libcurl's text for its code, first letter lowered.
std::string CurlText(CURLcode code) { return Lowered(curl_easy_strerror(code)); }

// A file address is read here, not by libcurl, which would open a FIFO or a
// device and wait on it, and which takes a read error for the end of the file.
Failure ReadFileAddress(CURLU* address, Transfer& transfer) {
  const std::string host = UrlPart(address, CURLUPART_HOST);
  const std::string path = UrlPart(address, CURLUPART_PATH, CURLU_URLDECODE);
  if ((!host.empty() && strcasecmp(host.c_str(), "localhost") != 0) || path.empty())
    return {CURLE_URL_MALFORMAT, CurlText(CURLE_URL_MALFORMAT)};
  ReadableFile file = OpenForReading(path);
  if (!file.Result) return {CURLE_FILE_COULDNT_READ_FILE, file.Result.Reason};
  std::vector<char> buffer(kReadBufferSize);
  for (;;) {
    const ssize_t got = ReadSome(file.File.Get(), buffer.data(), buffer.size());
    if (got < 0) return {CURLE_READ_ERROR, ErrorText(errno)};
    if (got == 0) return {};
    transfer.Open();
    if (!transfer.Sink->Write(buffer.data(), static_cast<std::size_t>(got)))
      return {CURLE_WRITE_ERROR, transfer.Sink->Reason()};
    transfer.KeepPainting();
  }
}

Failure Perform(CURL* curl, CURLU* address, Transfer& transfer) {
  if (IsFileAddress(address)) return ReadFileAddress(address, transfer);
  const CURLcode code = curl_easy_perform(curl);
  if (transfer.Stalled)
    return {CURLE_OPERATION_TIMEDOUT,
            "nothing arrived for " +
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(transfer.Stall).count()) + " s"};
  if (code == CURLE_WRITE_ERROR && !transfer.Sink->Reason().empty()) return {code, transfer.Sink->Reason()};
  if (transfer.HeadersTooLarge)
    return {CURLE_WRITE_ERROR, "headers larger than " + std::to_string(kMaxHeaderBytes >> 20) + " MiB"};
  if (code == CURLE_FILESIZE_EXCEEDED) return {code, "larger than " + std::to_string(kMaxDownloadBytes >> 20) + " MiB"};
  const long status = HttpErrorStatus(curl);
  if (status && (code == CURLE_OK || code == CURLE_HTTP_RETURNED_ERROR))
    return {CURLE_HTTP_RETURNED_ERROR, "HTTP status " + std::to_string(status)};
  if (code != CURLE_OK) return {code, CurlText(code)};
  return {};
}

void ReportTransferFailure(long code) {
  std::fprintf(stderr, "OpenUrl failed: %lu\n", static_cast<unsigned long>(code));
  std::fflush(stderr);
}

}  // namespace

Outcome DownloadToFile(const std::string& address, int fd, const DownloadEvents& events) {
  FileSink sink(fd);
  const auto fail = [&sink](Failure failure) {
    sink.Empty();
    ReportTransferFailure(failure.Code);
    return Outcome::Failed(std::move(failure.Reason));
  };
  const Url url = ParseAddress(address);
  std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!curl) return fail({CURLE_FAILED_INIT, CurlText(CURLE_FAILED_INIT)});
  // One Accept header, in place of libcurl's own.
  std::unique_ptr<curl_slist, ListDeleter> headers(curl_slist_append(nullptr, "Accept: */*"));
  if (!headers) return fail({CURLE_OUT_OF_MEMORY, CurlText(CURLE_OUT_OF_MEMORY)});
  if (!url) return fail({CURLE_URL_MALFORMAT, CurlText(CURLE_URL_MALFORMAT)});
  Transfer transfer{&sink, &events, curl.get(),
                    std::chrono::seconds(SecondsFrom("VERDO_STALL_TIMEOUT", kDefaultStallSeconds))};
  if (!SetRequest(curl.get(), url.get(), headers.get(), transfer))
    return fail({CURLE_FAILED_INIT, CurlText(CURLE_FAILED_INIT)});

  Failure failure = Perform(curl.get(), url.get(), transfer);
  if (failure.Code == CURLE_OK && !sink.Flush()) failure = {CURLE_WRITE_ERROR, sink.Reason()};
  if (failure.Code != CURLE_OK) return fail(std::move(failure));
  transfer.Open();
  if (events.ContentType) {
    const char* type = nullptr;
    if (!IsFileAddress(url.get())) curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_TYPE, &type);
    *events.ContentType = type ? type : "";
  }
  return Outcome::Done();
}

Outcome DownloadToScratch(const std::string& address, ScratchFile& page, const DownloadEvents& events) {
  if (!page.Result()) {
    if (page.Error() != 0) {
      std::fprintf(stderr, "Can't open file: %s error = %d\n", page.Name().c_str(), page.Error());
    } else {
      ReportTransferFailure(CURLE_WRITE_ERROR);
    }
    std::fflush(stderr);
    return page.Result();
  }
  if (Outcome stored = DownloadToFile(address, page.Fd(), events); !stored) {
    page.Discard();
    return stored;
  }
  return page.Keep();
}

}  // namespace verdo
