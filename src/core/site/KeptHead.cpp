#include "core/site/KeptHead.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/text/Text.h"

namespace verdo {

namespace {

// The names (in NAME or HTTP-EQUIV) of the meta elements the head block writes.
constexpr std::string_view kBlockMetaNames[] = {"description", "keywords", "author",       "copyright",
                                                "robots",      "expires",  "distribution", "revisit-after"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool AllHtmlSpace(std::string_view text) { return std::all_of(text.begin(), text.end(), IsHtmlSpace); }

bool AttributeIs(const HeadElement& element, std::string_view name, std::string_view value) {
  const std::string* found = FindAttribute(element, name);
  return found && ToLowerAscii(TrimHtmlSpace(*found)) == value;
}

constexpr std::size_t kFieldCount = 1 + std::size(kBlockMetaNames);

// The owned field of a page's element: 0 for the title, 1 + the index of
// its name in kBlockMetaNames for a meta element; nothing for the rest.
std::optional<std::size_t> FieldOf(const HeadElement& element) {
  if (element.Tag == "title") return 0;
  if (element.Tag != "meta") return std::nullopt;
  for (std::size_t i = 0; i < std::size(kBlockMetaNames); ++i)
    if (AttributeIs(element, "name", kBlockMetaNames[i]) || AttributeIs(element, "http-equiv", kBlockMetaNames[i]))
      return 1 + i;
  return std::nullopt;
}

std::string_view FieldName(std::size_t field) { return field == 0 ? "title" : kBlockMetaNames[field - 1]; }

// The field of a line of the head block, known by how the block starts its
// lines: "<TITLE>", "<META NAME=\"x\"" or "<META HTTP-EQUIV=\"x\"".
std::optional<std::size_t> FieldOfBlockLine(std::string_view line) {
  if (line.starts_with("<TITLE>")) return 0;
  for (const std::string_view start : {"<META NAME=\"", "<META HTTP-EQUIV=\""}) {
    if (!line.starts_with(start)) continue;
    const std::string_view rest = line.substr(start.size());
    const std::string name = ToLowerAscii(rest.substr(0, rest.find('"')));
    for (std::size_t field = 1; field < kFieldCount; ++field)
      if (FieldName(field) == name) return field;
  }
  return std::nullopt;
}

// The block's lines of the fields (and any line of no field), as they stood.
std::string SelectedBlockLines(std::string_view block, const OwnedFields& fields) {
  std::string out;
  for (std::size_t start = 0; start < block.size();) {
    const std::size_t end = std::min(block.find('\n', start), block.size() - 1) + 1;
    const std::string_view line = block.substr(start, end - start);
    const auto field = FieldOfBlockLine(line);
    if (!field || fields.Has(*field)) out += line;
    start = end;
  }
  // A last line left out leaves the line end of the one before it.
  if (!out.empty() && out.back() == '\n' && block.back() != '\n') out.pop_back();
  return out;
}

// Consecutive replaced elements with nothing but white space between them:
// the head block goes in place of the run that holds the title.
struct Run {
  ByteRange Bytes;
  bool HasTitle = false;
};

std::vector<Run> ReplacedRuns(std::string_view page, const std::vector<HeadElement>& head, const OwnedFields& fields) {
  std::vector<Run> runs;
  for (const auto& element : head) {
    if (ClassifyHeadElement(element, fields) != HeadElementKind::HeadBlock) continue;
    const ByteRange bytes = element.Bytes;
    if (bytes.Begin > bytes.End || bytes.End > page.size()) continue;
    if (!runs.empty() && runs.back().Bytes.End > bytes.Begin) continue;  // out of order: left alone
    const bool title = element.Tag == "title";
    if (!runs.empty() && AllHtmlSpace(page.substr(runs.back().Bytes.End, bytes.Begin - runs.back().Bytes.End))) {
      runs.back().Bytes.End = bytes.End;
      runs.back().HasTitle |= title;
    } else {
      runs.push_back({bytes, title});
    }
  }
  return runs;
}

std::size_t LineStart(std::string_view text, std::size_t at) {
  while (at > 0 && text[at - 1] != '\n') --at;
  return at;
}

// The blanks from the start of the line up to `at`, or nothing when other
// bytes stand there.
std::optional<std::string_view> IndentBefore(std::string_view text, std::size_t at) {
  const std::size_t start = LineStart(text, at);
  const std::string_view before = text.substr(start, at - start);
  if (!std::all_of(before.begin(), before.end(), IsBlank)) return std::nullopt;
  return before;
}

std::string_view LeadingBlanks(std::string_view text, std::size_t lineStart) {
  std::size_t end = lineStart;
  while (end < text.size() && IsBlank(text[end])) ++end;
  return text.substr(lineStart, end - lineStart);
}

// When only blanks follow `at` on its line: where the next line starts (the
// end of the text when the line has no end). Nothing when other bytes follow.
std::optional<std::size_t> NextLineStart(std::string_view text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at == text.size()) return at;
  if (text[at] == '\n') return at + 1;
  if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') return at + 2;
  return std::nullopt;
}

// A removed run takes its whole line with it when it stood alone there.
ByteRange RemovalOf(std::string_view page, ByteRange run) {
  const auto indent = IndentBefore(page, run.Begin);
  const auto next = NextLineStart(page, run.End);
  if (!indent || !next) return run;
  return {run.Begin - indent->size(), *next};
}

std::string Joined(std::string_view block, std::string_view lineEnd, std::string_view indent) {
  std::string out;
  out.reserve(block.size() + 16);
  for (const char c : block) {
    if (c != '\n') {
      out += c;
      continue;
    }
    out += lineEnd;
    out += indent;
  }
  return out;
}

// Where the head block goes, and how.
struct Anchor {
  enum class Mode {
    Replace,  // in place of a run of replaced elements
    Before,   // in front of the head's first element
    After,    // after the character-set declaration or the head start tag
    NewHead,  // a whole head section, the page having none
  };
  Mode How = Mode::NewHead;
  std::size_t At = 0;               // in the page
  ByteRange Run;                    // Replace: the run the block takes the place of
  bool IndentFromNextLine = false;  // After: indent as the next line (the head start tag's children)
};

Anchor ChooseAnchor(const PageOutline& outline, const std::vector<Run>& runs, bool titleOwned) {
  for (const auto& run : runs)
    if (run.HasTitle) return {Anchor::Mode::Replace, run.Bytes.Begin, run.Bytes};
  // Some fields alone: they stay where the page has them, and new ones
  // join the page's title.
  if (!titleOwned) {
    if (!runs.empty()) return {Anchor::Mode::Replace, runs.front().Bytes.Begin, runs.front().Bytes};
    for (const auto& element : outline.Head)
      if (element.Tag == "title") return {Anchor::Mode::After, element.Bytes.End, {}};
  }
  for (const auto& element : outline.Head)
    if (ClassifyHeadElement(element) == HeadElementKind::Charset) return {Anchor::Mode::After, element.Bytes.End, {}};
  if (outline.HeadTag) return {Anchor::Mode::After, outline.HeadTag->End, {}, true};
  if (!outline.Head.empty()) {
    const std::size_t first = outline.Head.front().Bytes.Begin;
    if (!runs.empty() && runs.front().Bytes.Begin == first) return {Anchor::Mode::Replace, first, runs.front().Bytes};
    return {Anchor::Mode::Before, first, {}};
  }
  const std::size_t at = outline.HtmlTagEnd   ? *outline.HtmlTagEnd
                         : outline.DoctypeEnd ? *outline.DoctypeEnd
                                              : outline.ContentStart;
  return {Anchor::Mode::NewHead, at, {}};
}

// Puts `text` after `at` in `page`: at the start of the next line when only
// blanks follow on this one (then `text` ends with a line end of its own),
// else right at `at`.
void InsertAfter(std::string& page, std::size_t at, std::string text, std::string_view lineEnd, bool atContentStart) {
  const auto next = NextLineStart(page, at);
  if (!next) {
    page.insert(at, text);
    return;
  }
  std::string lead;
  // A last line without line end gets one before the new lines.
  if (*next == page.size() && (page.empty() || page.back() != '\n') && !atContentStart) lead = lineEnd;
  page.insert(*next, lead + text + std::string(lineEnd));
}

void PlaceBlock(std::string& page, const Anchor& anchor, std::size_t at, std::string_view block,
                std::string_view lineEnd, bool atContentStart) {
  switch (anchor.How) {
    case Anchor::Mode::Replace:
    case Anchor::Mode::Before: {
      const auto indent = IndentBefore(page, at);
      std::string text = Joined(block, lineEnd, indent.value_or(""));
      if (anchor.How == Anchor::Mode::Before && indent) text += std::string(lineEnd) + std::string(*indent);
      page.insert(at, text);
      return;
    }
    case Anchor::Mode::After: {
      const auto next = NextLineStart(page, at);
      if (!next) {
        page.insert(at, Joined(block, lineEnd, ""));
        return;
      }
      const std::string_view indent =
          anchor.IndentFromNextLine ? LeadingBlanks(page, *next) : LeadingBlanks(page, LineStart(page, at));
      const std::string ownIndent(indent);
      InsertAfter(page, at, ownIndent + Joined(block, lineEnd, ownIndent), lineEnd, false);
      return;
    }
    case Anchor::Mode::NewHead: {
      std::string head =
          "<HEAD>" + std::string(lineEnd) + Joined(block, lineEnd, "") + std::string(lineEnd) + "</HEAD>";
      if (!NextLineStart(page, at)) head += lineEnd;
      InsertAfter(page, at, head, lineEnd, atContentStart);
      return;
    }
  }
}

}  // namespace

OwnedFields OwnedFields::All() {
  OwnedFields all;
  all.bits_ = (1U << kFieldCount) - 1;
  return all;
}

std::optional<OwnedFields> OwnedFields::Parse(std::string_view list) {
  OwnedFields fields;
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string name = ToLowerAscii(TrimHtmlSpace(list.substr(0, comma)));
    std::size_t field = 0;
    while (field < kFieldCount && FieldName(field) != name) ++field;
    if (field == kFieldCount) return std::nullopt;
    fields.bits_ |= 1U << field;
    if (comma == std::string_view::npos) return fields;
    list.remove_prefix(comma + 1);
  }
}

std::string OwnedFields::Names() {
  std::string names;
  for (std::size_t field = 0; field < kFieldCount; ++field)
    names += std::string(field ? ", " : "") + std::string(FieldName(field));
  return names;
}

HeadElementKind ClassifyHeadElement(const HeadElement& element, const OwnedFields& fields) {
  if (const auto field = FieldOf(element))
    return fields.Has(*field) ? HeadElementKind::HeadBlock : HeadElementKind::Other;
  if (element.Tag != "meta") return HeadElementKind::Other;
  if (FindAttribute(element, "charset") || AttributeIs(element, "http-equiv", "content-type"))
    return HeadElementKind::Charset;
  return HeadElementKind::Other;
}

std::string_view PageLineEnd(std::string_view page) {
  const std::size_t lf = page.find('\n');
  return lf != std::string_view::npos && lf > 0 && page[lf - 1] == '\r' ? "\r\n" : "\n";
}

std::optional<std::string> ComposeKeptHeadPage(std::string_view page, const PageOutline& outline,
                                               std::string_view headBlock, const OwnedFields& fields) {
  for (const auto& element : outline.Head)
    if (element.EndTagMissing && FieldOf(element)) return std::nullopt;
  const std::vector<Run> runs = ReplacedRuns(page, outline.Head, fields);
  const std::string block = SelectedBlockLines(headBlock, fields);
  if (block.empty()) {
    // Nothing to put in: the page's elements of the fields just go.
    std::string out(page);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      const ByteRange removal = RemovalOf(page, run->Bytes);
      out.erase(removal.Begin, removal.End - removal.Begin);
    }
    return out;
  }
  const Anchor anchor = ChooseAnchor(outline, runs, fields.HasTitle());

  // First every replaced element goes, then the block is placed where the
  // anchor has moved to.
  std::vector<ByteRange> removals;
  for (const auto& run : runs)
    removals.push_back(anchor.How == Anchor::Mode::Replace && run.Bytes == anchor.Run ? run.Bytes
                                                                                      : RemovalOf(page, run.Bytes));
  std::string out;
  out.reserve(page.size() + headBlock.size() + 64);
  std::size_t copied = 0;
  std::size_t at = anchor.At;
  for (const auto& removal : removals) {
    out.append(page.substr(copied, removal.Begin - copied));
    if (removal.Begin < anchor.At) at -= std::min(anchor.At, removal.End) - removal.Begin;
    copied = removal.End;
  }
  out.append(page.substr(copied));
  PlaceBlock(out, anchor, at, block, PageLineEnd(page), at == outline.ContentStart);
  return out;
}

}  // namespace verdo
