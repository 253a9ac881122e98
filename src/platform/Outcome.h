// What a file or transfer operation tells its caller: done, or why not.
#pragma once

#include <string>
#include <utility>

namespace verdo {

struct Outcome {
  bool Ok = true;
  // Why it failed, in a few lower-case words ("permission denied",
  // "not a regular file"); empty when it didn't.
  std::string Reason;

  explicit operator bool() const { return Ok; }
  static Outcome Done() { return {}; }
  static Outcome Failed(std::string reason) { return {false, std::move(reason)}; }
};

// The system's text for an error number, first letter lowered, as it reads
// after the program's own words: "no space left on device".
std::string ErrorText(int error);

// A text with its first letter lowered, unless it starts an acronym ("URL").
std::string Lowered(std::string text);

}  // namespace verdo
