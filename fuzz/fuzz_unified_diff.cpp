// The diff of any two texts, applied to the first as patch applies it,
// gives the second exactly; two equal texts give no diff.
//
// Input: the first text, a NUL, then the second (no NUL: the second is the
// first with its lines in reverse order).
#include <cstdlib>
#include <string>
#include <vector>

#include "core/text/UnifiedDiff.h"

namespace {

using namespace verdo;

// Lines with their LF; a last line without one as it is.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

struct Op {
  char Kind;  // ' ', '-' or '+'
  std::string Text;
};

// The hunks' lines, each with its LF unless a "\ No newline" line follows;
// the old start of each hunk (0-based) in `starts`, at the index of its
// first op in `firsts`.
std::vector<Op> ParseDiff(std::string_view diff, std::vector<std::size_t>& starts, std::vector<std::size_t>& firsts) {
  std::vector<Op> ops;
  std::vector<std::string_view> lines = Lines(diff);
  for (std::size_t i = 2; i < lines.size(); ++i) {  // past "---" and "+++"
    std::string_view line = lines[i];
    if (line.empty() || line.back() != '\n') std::abort();
    line.remove_suffix(1);
    if (line.starts_with("@@ -")) {
      const std::size_t start = std::strtoul(std::string(line.substr(4)).c_str(), nullptr, 10);
      const std::size_t comma = line.find(',');
      const bool empty = comma < line.find(' ', 4) && line[comma + 1] == '0';
      starts.push_back(empty ? start : start - 1);
      firsts.push_back(ops.size());
    } else if (line.starts_with("\\ ")) {
      if (ops.empty() || ops.back().Text.empty() || ops.back().Text.back() != '\n') std::abort();
      ops.back().Text.pop_back();
    } else if (!line.empty() && (line[0] == ' ' || line[0] == '-' || line[0] == '+')) {
      ops.push_back({line[0], std::string(line.substr(1)) + "\n"});
    } else {
      std::abort();
    }
  }
  return ops;
}

std::string Apply(std::string_view from, std::string_view diff) {
  std::vector<std::size_t> starts, firsts;
  const std::vector<Op> ops = ParseDiff(diff, starts, firsts);
  const std::vector<std::string_view> lines = Lines(from);
  std::string out;
  std::size_t at = 0;
  for (std::size_t hunk = 0; hunk < starts.size(); ++hunk) {
    if (starts[hunk] < at || starts[hunk] > lines.size()) std::abort();
    for (; at < starts[hunk]; ++at) out += lines[at];
    const std::size_t end = hunk + 1 < firsts.size() ? firsts[hunk + 1] : ops.size();
    for (std::size_t i = firsts[hunk]; i < end; ++i) {
      if (ops[i].Kind != '+' && (at >= lines.size() || lines[at] != ops[i].Text)) std::abort();
      if (ops[i].Kind != '-') out += ops[i].Text;
      if (ops[i].Kind != '+') ++at;
    }
  }
  for (; at < lines.size(); ++at) out += lines[at];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const std::size_t nul = input.find('\0');
  const std::string_view from = input.substr(0, nul);
  std::string to;
  if (nul != std::string_view::npos) {
    to = input.substr(nul + 1);
  } else {
    const std::vector<std::string_view> lines = Lines(from);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) to += *line;
  }
  const std::string diff = MakeUnifiedDiff({"a/p", from}, {"b/p", to});
  if (diff.empty() != (from == to)) std::abort();
  if (!diff.empty() && Apply(from, diff) != to) std::abort();
  return 0;
}
