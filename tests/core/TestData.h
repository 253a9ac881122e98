// The reference examples in tests/data, read as bytes: the C++ tests, the
// Python tests and the fuzz seeds share one copy of each.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace verdo::testing {

// The file's bytes. ctest points VERDO_TEST_DATA at the folder; a binary run
// by hand falls back to the source tree's.
inline std::string TestData(const std::string& name) {
  const char* folder = std::getenv("VERDO_TEST_DATA");
  const std::string path = std::string(folder && *folder ? folder : VERDO_TEST_DATA_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "test data %s is missing\n", path.c_str());
    std::abort();
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace verdo::testing
