// Cuts fuzzer bytes into pieces of varied sizes, the same way every time for
// the same input, to check that readers fed in pieces agree with whole reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace verdo::fuzz {

inline std::vector<std::string_view> Pieces(std::string_view data) {
  std::uint32_t seed = static_cast<std::uint32_t>(data.size());
  for (std::size_t i = 0; i < data.size() && i < 16; ++i) seed = seed * 131 + static_cast<unsigned char>(data[i]);
  std::minstd_rand random(seed);
  std::vector<std::string_view> pieces;
  while (!data.empty()) {
    // Mostly tiny pieces, where the joins are; now and then a long one.
    const std::size_t size = random() % 8 == 0 ? 1 + random() % 512 : 1 + random() % 4;
    pieces.push_back(data.substr(0, size));
    data.remove_prefix(pieces.back().size());
  }
  return pieces;
}

}  // namespace verdo::fuzz
