#include "core/pages/PageAddress.h"

#include <algorithm>

namespace verdo {

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
  const std::size_t at = address.substr(start, end - start).rfind('@');
  if (at == std::string_view::npos) return std::string(address);
  return std::string(address.substr(0, start)) + std::string(address.substr(start + at + 1));
}

}  // namespace verdo
