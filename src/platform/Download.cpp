#include "platform/Download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <strings.h>
#include <vector>

namespace verdo {
namespace {

constexpr const char* kClientName = "Verdo 1.0 Agent";
constexpr long kMaxRedirections = 10;
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kDefaultStallSeconds = 30;
constexpr std::size_t kWriteBufferSize = 1 << 20;
constexpr std::size_t kReadBufferSize = 1 << 18;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

long StallSeconds() {
  if (const char* text = std::getenv("VERDO_STALL_TIMEOUT")) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds > 0 && seconds <= 3600) return seconds;
  }
  return kDefaultStallSeconds;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// The output file, written through a buffer.
class FileSink {
 public:
  explicit FileSink(int fd) : fd_(fd) { buffer_.reserve(kWriteBufferSize); }
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  ~FileSink() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Write(const char* data, std::size_t size) {
    if (buffer_.size() + size > kWriteBufferSize) {
      if (!Flush()) return false;
      if (size >= kWriteBufferSize) return WriteAll(fd_, data, size);
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
  }

  bool Flush() {
    const bool ok = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

  // Keeps the file when `complete`, else leaves it empty: no part of a body
  // stays behind to be taken for a page. False when closing fails.
  bool Close(bool complete) {
    if (!complete && ::ftruncate(fd_, 0) != 0) {
      // not a regular file (a device, a pipe): nothing stays behind there
    }
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
  std::vector<char> buffer_;
};

struct Transfer {
  FileSink* Sink;
  const DownloadEvents* Events;
  CURL* Curl;
  bool Opened = false;
  std::chrono::steady_clock::time_point LastProgress{};

  void Open() {
    if (Opened) return;
    Opened = true;
    if (Events->Opened) Events->Opened();
  }
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  transfer->Open();
  return transfer->Sink->Write(data, bytes) ? bytes : 0;
}

// An http address has opened once the headers of a successful answer are in
// (a blank line ends them): its body follows. Interim answers and
// redirections don't count. Other schemes open with their first byte.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (std::string_view(data, bytes).find_first_not_of("\r\n") == std::string_view::npos) {
    long status = 0;
    curl_easy_getinfo(transfer->Curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200 && status < 300) transfer->Open();
  }
  return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  if (!transfer->Events->Progress) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (now - transfer->LastProgress >= kProgressInterval) {
    transfer->LastProgress = now;
    transfer->Events->Progress();
  }
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
  const long stall = StallSeconds();
  bool ok = true;
  auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
  set(curl_easy_setopt(curl, CURLOPT_CURLU, address));
  set(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file"));
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
  set(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L));
  set(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stall));
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
bool HttpErrorStatus(CURL* curl) {
  const char* scheme = nullptr;
  long status = 0;
  if (curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme) return false;
  if (strcasecmp(scheme, "http") != 0 && strcasecmp(scheme, "https") != 0) return false;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return status >= 400;
}

// A file address that names a folder opens onto nothing to read: libcurl
// would deliver an empty body, which must not pass for an empty page.
bool NamesAFolder(CURLU* address) {
  bool folder = false;
  char* scheme = nullptr;
  char* path = nullptr;
  if (curl_url_get(address, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && strcasecmp(scheme, "file") == 0 &&
      curl_url_get(address, CURLUPART_PATH, &path, CURLU_URLDECODE) == CURLUE_OK) {
    struct stat status;
    folder = ::stat(path, &status) == 0 && S_ISDIR(status.st_mode);
  }
  curl_free(scheme);
  curl_free(path);
  return folder;
}

void ReportTransferFailure(long code) {
  std::fprintf(stderr, "OpenUrl failed: %lu\n", static_cast<unsigned long>(code));
  std::fflush(stderr);
}

}  // namespace

bool DownloadToFile(const std::string& address, const std::string& fileName,
                    const DownloadEvents& events) {
  // Parsed first so that it outlives the transfer, which reads it; checked
  // once the output file exists.
  const Url url = ParseAddress(address);
  std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());

  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    std::fprintf(stderr, "Can't open file: %s error = %d\n", fileName.c_str(), errno);
    return false;
  }
  FileSink sink(fd);
  // Before the transfer: the output file stays, empty.
  const auto fail = [&sink](CURLcode code) {
    sink.Close(false);
    ReportTransferFailure(code);
    return false;
  };
  if (!curl) return fail(CURLE_FAILED_INIT);

  // One Accept header, in place of libcurl's own.
  std::unique_ptr<curl_slist, ListDeleter> headers(curl_slist_append(nullptr, "Accept: */*"));
  if (!headers) return fail(CURLE_OUT_OF_MEMORY);
  if (!url) return fail(CURLE_URL_MALFORMAT);
  Transfer transfer{&sink, &events, curl.get()};
  if (!SetRequest(curl.get(), url.get(), headers.get(), transfer)) return fail(CURLE_FAILED_INIT);

  CURLcode code = NamesAFolder(url.get()) ? CURLE_FILE_COULDNT_READ_FILE : curl_easy_perform(curl.get());
  if (code == CURLE_OK && HttpErrorStatus(curl.get())) code = CURLE_HTTP_RETURNED_ERROR;
  if (code == CURLE_OK && !sink.Flush()) code = CURLE_WRITE_ERROR;
  const bool closed = sink.Close(code == CURLE_OK);
  if (code == CURLE_OK && !closed) {
    code = CURLE_WRITE_ERROR;
    if (::truncate(fileName.c_str(), 0) != 0) {
      // nothing more to do: the failure is reported below
    }
  }
  if (code != CURLE_OK) {
    ReportTransferFailure(code);
    return false;
  }
  transfer.Open();
  if (events.ContentType) {
    const char* type = nullptr;
    curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_TYPE, &type);
    *events.ContentType = type ? type : "";
  }
  return true;
}

bool ForEachFileLine(const std::string& path, const LineSplitter::OnLine& onLine) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> buffer(kReadBufferSize);
  LineSplitter lines;
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (!lines.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)), onLine)) break;
  }
  ::close(fd);
  return true;
}

}  // namespace verdo
