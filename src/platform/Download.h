// Fetching a page by address into a local file, and reading a stored page
// back line by line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/text/LineSplitter.h"

namespace verdo {

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

// Copies the resource at an http, https, ftp or file address into the file,
// byte for byte; the file is created, or emptied if it exists. True when the
// whole body has been stored. A failure leaves the file empty and writes one
// line to stderr: "Can't open file: NAME error = ERRNO" when the file can't
// be created, otherwise "OpenUrl failed: CODE" with libcurl's code. An HTTP
// status of 400 or more after redirections is a failure.
//
// The request: client name "Verdo 1.0 Agent", "Accept: */*", no cache, no
// proxy. Redirections are followed (at most 10, only to http, https and ftp).
// HTTPS checks the certificate and the host name; CURL_CA_BUNDLE names an
// extra bundle of trusted certificates. The transfer gives up when connecting
// takes 30 s or no byte arrives for 30 s (VERDO_STALL_TIMEOUT, in seconds,
// sets the latter).
bool DownloadToFile(const std::string& address, const std::string& fileName,
                    const DownloadEvents& events = {});

// Calls onLine with each line of the file that ends with LF, the LF
// included, in order, until onLine returns false. Bytes after the last LF
// form no line. A line longer than LineSplitter::kDefaultKept comes cut to
// its start, with `whole` false, so a hostile page can't fill the memory.
// A read error ends the file. False when the file can't be opened.
bool ForEachFileLine(const std::string& path, const LineSplitter::OnLine& onLine);

}  // namespace verdo
