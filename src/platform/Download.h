// Fetching a page by address into a scratch file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/FileAccess.h"
#include "platform/Outcome.h"

namespace verdo {

// No real page comes near this size: a body larger than this (after any
// transfer encoding is undone) ends the transfer as a failure.
constexpr std::uint64_t kMaxDownloadBytes = std::uint64_t{64} << 20;
// Nor do the headers of its answers: those of every answer of a transfer
// (redirections and interim answers included) and the trailers after a
// chunked body, together larger than this, end the transfer as a failure.
constexpr std::uint64_t kMaxHeaderBytes = std::uint64_t{1} << 20;

struct DownloadEvents {
  // Once, when the address has opened: before the first byte of the body is
  // stored, or at the end when the body is empty.
  std::function<void()> Opened;
  // Now and then while the transfer runs, also while it waits for a server,
  // so a window can keep painting.
  std::function<void()> Progress;
  // When set, receives the Content-Type header of the answer that was
  // stored (empty when there is none, as for file and ftp addresses), whose
  // charset tells the page's encoding.
  std::string* ContentType = nullptr;
};

// Copies the resource at an http, https, ftp or file address into the open,
// empty file `fd`, byte for byte. Succeeds when the whole body has been
// stored; a failure empties the file and writes one line to stderr,
// "OpenUrl failed: CODE" with libcurl's code, and its Reason says why in
// libcurl's words or ours. An HTTP status of 400 or more after redirections
// is a failure.
//
// The request: client name "Verdo 1.0 Agent", "Accept: */*", no cache, no
// proxy. Redirections are followed (at most 10, only to http, https and ftp).
// HTTPS checks the certificate and the host name; CURL_CA_BUNDLE names an
// extra bundle of trusted certificates. The transfer gives up when
// connecting takes 30 s, when nothing arrives for 30 s (VERDO_STALL_TIMEOUT,
// in seconds, sets that), when it has taken 120 s in all
// (VERDO_TRANSFER_TIMEOUT), when the body grows past kMaxDownloadBytes, and
// when the headers and trailers grow past kMaxHeaderBytes.
// A file address is read only when it names a regular file.
Outcome DownloadToFile(const std::string& address, int fd, const DownloadEvents& events = {});

// The download into a scratch file, which is kept under its name (when it
// has one to come) only when the whole body is in. A scratch file that
// couldn't be made is reported on stderr as "Can't open file: NAME error =
// ERRNO", one that was refused as a failed write ("OpenUrl failed: 23").
Outcome DownloadToScratch(const std::string& address, ScratchFile& page, const DownloadEvents& events = {});

}  // namespace verdo
