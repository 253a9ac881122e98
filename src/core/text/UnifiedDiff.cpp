#include "core/text/UnifiedDiff.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/text/Escape.h"

namespace verdo {

namespace {

using Lines = std::vector<std::string_view>;

// Each line with its LF; a last line without one as it is.
Lines SplitLines(std::string_view text) {
  Lines lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

enum class Op { Same, Removed, Added };

struct Edit {
  Op What;
  std::size_t Count;  // lines
};

using Script = std::vector<Edit>;

void Append(Script& script, Op what, std::size_t count) {
  if (count == 0) return;
  if (!script.empty() && script.back().What == what) {
    script.back().Count += count;
  } else {
    script.push_back({what, count});
  }
}

// Snake steps and diagonals looked at before Myers' search gives up: a
// fraction of a second.
constexpr std::uint64_t kMaxWork = 100'000'000;

// Myers' greedy search for the fewest lines removed and added that turn `a`
// into `b`, the path found again from the furthest points of each round.
// Nothing when that takes more than kMaxDiffEdits edits or kMaxWork steps.
std::optional<Script> ShortestScript(std::span<const std::string_view> a, std::span<const std::string_view> b) {
  const auto n = static_cast<std::int64_t>(a.size());
  const auto m = static_cast<std::int64_t>(b.size());
  const std::int64_t maxD = std::min<std::int64_t>(n + m, kMaxDiffEdits);
  // rounds[d][k + d]: how far along `a` diagonal k (x - y) gets with d edits.
  std::vector<std::vector<std::int64_t>> rounds;
  std::uint64_t work = 0;
  std::int64_t found = -1;
  for (std::int64_t d = 0; d <= maxD && found < 0; ++d) {
    std::vector<std::int64_t> v(static_cast<std::size_t>(2 * d + 1));
    const auto before = [&](std::int64_t k) { return rounds.back()[static_cast<std::size_t>(k + d - 1)]; };
    for (std::int64_t k = -d; k <= d; k += 2) {
      std::int64_t x = 0;
      if (d > 0) x = (k == -d || (k != d && before(k - 1) < before(k + 1))) ? before(k + 1) : before(k - 1) + 1;
      std::int64_t y = x - k;
      while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) ++x, ++y, ++work;
      v[static_cast<std::size_t>(k + d)] = x;
      if (++work > kMaxWork) return std::nullopt;
      if (x >= n && y >= m) found = d;
    }
    rounds.push_back(std::move(v));
  }
  if (found < 0) return std::nullopt;

  // Back from the end: each round's step and the run of equal lines after it.
  Script reversed;
  std::int64_t x = n;
  std::int64_t y = m;
  for (std::int64_t d = found; d > 0; --d) {
    const std::vector<std::int64_t>& previous = rounds[static_cast<std::size_t>(d - 1)];
    const auto at = [&](std::int64_t k) { return previous[static_cast<std::size_t>(k + d - 1)]; };
    const std::int64_t k = x - y;
    const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
    const std::int64_t startX = down ? at(k + 1) : at(k - 1) + 1;
    Append(reversed, Op::Same, static_cast<std::size_t>(x - startX));
    Append(reversed, down ? Op::Added : Op::Removed, 1);
    x = down ? startX : startX - 1;
    y = down ? startX - (k + 1) : startX - 1 - (k - 1);
  }
  Append(reversed, Op::Same, static_cast<std::size_t>(x));
  return Script(reversed.rbegin(), reversed.rend());
}

// Nothing when Myers' search gives up.
std::optional<Script> EditScript(const Lines& a, const Lines& b) {
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
  const auto shortest = ShortestScript(std::span(a).subspan(head, a.size() - head - tail),
                                       std::span(b).subspan(head, b.size() - head - tail));
  if (!shortest) return std::nullopt;
  Script script;
  Append(script, Op::Same, head);
  for (const Edit& edit : *shortest) Append(script, edit.What, edit.Count);
  Append(script, Op::Same, tail);
  return script;
}

// Lines [OldBegin, OldEnd) of the old text replaced by [NewBegin, NewEnd) of the new.
struct Change {
  std::size_t OldBegin, OldEnd, NewBegin, NewEnd;
};

std::vector<Change> Changes(const Script& script) {
  std::vector<Change> changes;
  std::size_t oldAt = 0;
  std::size_t newAt = 0;
  bool inChange = false;
  for (const Edit& edit : script) {
    if (edit.What == Op::Same) {
      oldAt += edit.Count;
      newAt += edit.Count;
      inChange = false;
      continue;
    }
    if (!inChange) changes.push_back({oldAt, oldAt, newAt, newAt});
    inChange = true;
    (edit.What == Op::Removed ? oldAt : newAt) += edit.Count;
    changes.back().OldEnd = oldAt;
    changes.back().NewEnd = newAt;
  }
  return changes;
}

// A diff line: its mark, the line's bytes as they are, and a note after a
// last line without LF.
void AppendLine(std::string& out, char mark, std::string_view line) {
  out += mark;
  out += line;
  if (!line.ends_with('\n')) out += "\n\\ No newline at end of file\n";
}

// The label as patch reads it: quoted as messages quote names when it holds
// controls, quotes or backslashes, and also when it holds a blank, at which
// patch would end it.
std::string DiffLabel(std::string_view label) {
  std::string quoted = QuoteName(label);
  if (quoted != label || label.find_first_of(" \t") == std::string_view::npos) return quoted;
  quoted = "\"";
  for (const char c : label) quoted += c == '\t' ? std::string_view("\\t") : std::string_view(&c, 1);
  return quoted + "\"";
}

// "-3,4" or "+1": where a side's lines start, and how many (1 unsaid); an
// empty side names the line before it.
std::string Range(char mark, std::size_t begin, std::size_t end) {
  const std::size_t count = end - begin;
  std::string text = mark + std::to_string(count == 0 ? begin : begin + 1);
  if (count != 1) text += "," + std::to_string(count);
  return text;
}

// Past the line that starts at `at`: past its LF, or the end of the text.
std::size_t LineEnd(std::string_view text, std::size_t at) {
  const std::size_t lf = text.find('\n', at);
  return lf == std::string_view::npos ? text.size() : lf + 1;
}

// Where the line that ends at `end` (> `floor`, a line's start) starts.
std::size_t LineStartBefore(std::string_view text, std::size_t end, std::size_t floor) {
  const std::size_t lf = end >= 2 ? text.rfind('\n', end - 2) : std::string_view::npos;
  return lf == std::string_view::npos || lf + 1 < floor ? floor : lf + 1;
}

std::size_t CountLines(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
         (!text.empty() && text.back() != '\n' ? 1 : 0);
}

// The part of two texts a diff shows: the lines from `context` before the
// first line they don't share to `context` after the last, found by walking
// the lines, so that what the texts share is never held line by line.
struct Window {
  std::size_t FirstLine = 0;  // lines before it, as many in both texts
  std::size_t Begin = 0;      // where it starts, in both texts
  std::size_t SharedEnd = 0;  // where the lines both start with end
  std::size_t TailA = 0;      // where the lines both end with start, in each
  std::size_t TailB = 0;
  std::size_t EndA = 0;  // where it ends, in each
  std::size_t EndB = 0;
};

Window FindWindow(std::string_view a, std::string_view b, std::size_t context) {
  Window w;
  std::size_t shared = 0;
  while (w.SharedEnd < a.size() && w.SharedEnd < b.size()) {
    const std::size_t endA = LineEnd(a, w.SharedEnd);
    const std::size_t endB = LineEnd(b, w.SharedEnd);
    if (a.substr(w.SharedEnd, endA - w.SharedEnd) != b.substr(w.SharedEnd, endB - w.SharedEnd)) break;
    w.SharedEnd = endA;
    ++shared;
  }
  w.TailA = a.size();
  w.TailB = b.size();
  while (w.TailA > w.SharedEnd && w.TailB > w.SharedEnd) {
    const std::size_t startA = LineStartBefore(a, w.TailA, w.SharedEnd);
    const std::size_t startB = LineStartBefore(b, w.TailB, w.SharedEnd);
    if (a.substr(startA, w.TailA - startA) != b.substr(startB, w.TailB - startB)) break;
    w.TailA = startA;
    w.TailB = startB;
  }
  w.Begin = w.SharedEnd;
  w.FirstLine = shared;
  for (std::size_t i = 0; i < context && w.Begin > 0; ++i, --w.FirstLine) w.Begin = LineStartBefore(a, w.Begin, 0);
  w.EndA = w.TailA;
  w.EndB = w.TailB;
  for (std::size_t i = 0; i < context && w.EndA < a.size(); ++i) {
    w.EndA = LineEnd(a, w.EndA);
    w.EndB = LineEnd(b, w.EndB);
  }
  return w;
}

// Gathers the diff's text and hands it on in pieces.
class Writer {
 public:
  explicit Writer(const DiffSink& sink) : sink_(sink) {}
  void Text(std::string_view text) { out_ += text; }
  void Line(char mark, std::string_view line) {
    AppendLine(out_, mark, line);
    if (out_.size() >= kPiece) Flush();
  }
  // Each line of text[begin, end) (whole lines).
  void Lines(char mark, std::string_view text, std::size_t begin, std::size_t end) {
    for (std::size_t next = begin; begin < end; begin = next) {
      next = LineEnd(text, begin);
      Line(mark, text.substr(begin, next - begin));
    }
  }
  void Flush() {
    if (!out_.empty()) sink_(out_);
    out_.clear();
  }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;
  const DiffSink& sink_;
  std::string out_;
};

void WriteHunkHeader(Writer& out, std::size_t oldBegin, std::size_t oldEnd, std::size_t newBegin, std::size_t newEnd) {
  out.Text("@@ " + Range('-', oldBegin, oldEnd) + " " + Range('+', newBegin, newEnd) + " @@\n");
}

// The changes in hunks, each with `context` lines around it; lines are
// numbered from `firstLine`.
void WriteHunks(Writer& out, const std::vector<Change>& changes, const Lines& a, const Lines& b, std::size_t firstLine,
                std::size_t context) {
  for (std::size_t first = 0; first < changes.size();) {
    // A hunk takes the changes less than two contexts apart.
    std::size_t last = first;
    while (last + 1 < changes.size() && changes[last + 1].OldBegin - changes[last].OldEnd <= 2 * context) ++last;
    const std::size_t lead = std::min(context, changes[first].OldBegin);
    const std::size_t trail = std::min(context, a.size() - changes[last].OldEnd);
    const std::size_t oldBegin = changes[first].OldBegin - lead;
    WriteHunkHeader(out, firstLine + oldBegin, firstLine + changes[last].OldEnd + trail,
                    firstLine + changes[first].NewBegin - lead, firstLine + changes[last].NewEnd + trail);
    std::size_t oldAt = oldBegin;
    for (std::size_t i = first; i <= last; ++i) {
      const Change& change = changes[i];
      for (; oldAt < change.OldBegin; ++oldAt) out.Line(' ', a[oldAt]);
      for (std::size_t j = change.OldBegin; j < change.OldEnd; ++j) out.Line('-', a[j]);
      for (std::size_t j = change.NewBegin; j < change.NewEnd; ++j) out.Line('+', b[j]);
      oldAt = change.OldEnd;
    }
    for (; oldAt < changes[last].OldEnd + trail; ++oldAt) out.Line(' ', a[oldAt]);
    first = last + 1;
  }
}

// One hunk: the window's lines that differ removed and added whole.
void WriteWholeWindow(Writer& out, std::string_view a, std::string_view b, const Window& w) {
  const std::string_view windowA = a.substr(w.Begin, w.EndA - w.Begin);
  const std::string_view windowB = b.substr(w.Begin, w.EndB - w.Begin);
  WriteHunkHeader(out, w.FirstLine, w.FirstLine + CountLines(windowA), w.FirstLine, w.FirstLine + CountLines(windowB));
  out.Lines(' ', a, w.Begin, w.SharedEnd);
  out.Lines('-', a, w.SharedEnd, w.TailA);
  out.Lines('+', b, w.SharedEnd, w.TailB);
  out.Lines(' ', a, w.TailA, w.EndA);
}

}  // namespace

bool WriteUnifiedDiff(const DiffSide& from, const DiffSide& to, const DiffSink& sink, std::size_t context) {
  if (from.Text == to.Text) return false;
  const std::string_view a = from.Text;
  const std::string_view b = to.Text;
  Writer out(sink);
  out.Text("--- " + DiffLabel(from.Label) + "\n+++ " + DiffLabel(to.Label) + "\n");
  const Window w = FindWindow(a, b, context);
  const std::string_view windowA = a.substr(w.Begin, w.EndA - w.Begin);
  const std::string_view windowB = b.substr(w.Begin, w.EndB - w.Begin);
  std::optional<Script> script;
  Lines linesA;
  Lines linesB;
  if (CountLines(windowA) <= kMaxDiffLines && CountLines(windowB) <= kMaxDiffLines) {
    linesA = SplitLines(windowA);
    linesB = SplitLines(windowB);
    script = EditScript(linesA, linesB);
  }
  if (script) {
    WriteHunks(out, Changes(*script), linesA, linesB, w.FirstLine, context);
  } else {
    WriteWholeWindow(out, a, b, w);
  }
  out.Flush();
  return true;
}

std::string MakeUnifiedDiff(const DiffSide& from, const DiffSide& to, std::size_t context) {
  std::string diff;
  WriteUnifiedDiff(
      from, to, [&diff](std::string_view piece) { diff += piece; }, context);
  return diff;
}

}  // namespace verdo
