#include "core/pages/PageAddress.h"

#include <algorithm>

#include "core/text/Text.h"

namespace verdo {

namespace {

// Whether a host part without "@" may be the start of a user part whose
// password, typed unencoded, runs on past a "/", "?" or "#": it holds a ":"
// (after an IPv6 address's "]") that isn't a port's, or a port's digits
// followed by "?" or "#", where a password may go on as well.
bool PasswordMayRunOn(std::string_view host, std::string_view after) {
  const std::size_t bracket = host.starts_with('[') ? host.find(']') : 0;
  const std::size_t colon = bracket == std::string_view::npos ? bracket : host.find(':', bracket);
  if (colon == std::string_view::npos) return false;
  const bool port = host.find_first_not_of("0123456789", colon + 1) == std::string_view::npos;
  return !port || !after.starts_with('/');
}

}  // namespace

std::string AddressWithoutCredentials(std::string_view address) {
  // The host part follows the scheme's ":" and its slashes (libcurl takes
  // one to three); without them it is the address's start.
  std::size_t start = 0;
  const std::size_t colon = address.find(':');
  if (colon != std::string_view::npos && address.substr(0, colon).find_first_of("/?#@") == std::string_view::npos &&
      address.substr(colon + 1).starts_with('/'))
    start = address.find_first_not_of('/', colon + 1);
  if (start == std::string_view::npos) return std::string(address);
  const std::size_t end = std::min(address.find_first_of("/?#", start), address.size());
  const std::string_view host = address.substr(start, end - start);
  std::size_t at = host.rfind('@');
  if (at != std::string_view::npos) at += start;
  else if (PasswordMayRunOn(host, address.substr(end))) at = address.rfind('@');
  if (at == std::string_view::npos) return std::string(address);
  return std::string(address.substr(0, start)) + std::string(address.substr(at + 1));
}

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool NamesScheme(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || !IsAsciiLetter(text[0])) return false;
  return std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.'; });
}

bool NamesImportScheme(std::string_view text) {
  if (!NamesScheme(text)) return false;
  const std::string scheme = ToLowerAscii(text.substr(0, text.find(':')));
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "file";
}

std::string FileAddress(std::string_view absolutePath) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string address = "file://";
  for (const char c : absolutePath) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      address += c;
    } else {
      address += {'%', kDigits[byte >> 4], kDigits[byte & 0xF]};
    }
  }
  return address;
}

}  // namespace verdo
