// A line from any page applied to any form: never crashes; a line that ends
// the head section leaves the form as it was; and every line of a head block
// the program writes reads back into the field it came from.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "FuzzForm.h"
#include "core/compose/HeadBlock.h"
#include "core/pages/PageImport.h"
#include "core/text/Text.h"

namespace {

using namespace verdo;

void Erase(std::string& text, std::string_view bytes) {
  std::erase_if(text, [bytes](char c) { return bytes.find(c) != std::string_view::npos; });
}

// A form whose values survive a round trip: no line breaks, no quotes or ">"
// (the reader drops them), no NUL or CR (read as a browser shows them), a
// title with no "<" (its text ends at the first "</title"), keywords without
// commas or white space at their ends.
MetaTagForm Writable(MetaTagForm form) {
  for (const auto& field : FormFields()) {
    if (field.Kind != FieldKind::Text) continue;
    Erase(*field.Text(form), std::string_view("\n\r\">\0", 5));
  }
  Erase(form.Title, "<");
  for (auto& keyword : form.Keywords) {
    Erase(keyword, ",");
    keyword = std::string(TrimBoth(keyword));
  }
  Erase(form.ExtraKeywords, ",");
  form.ExtraKeywords = std::string(TrimBoth(form.ExtraKeywords));
  return form;
}

MetaTagForm Blank() {
  MetaTagForm form;
  form.Copyright.clear();
  return form;
}

// What reading the head block back into a blank form gives.
MetaTagForm ReadBack(const MetaTagForm& written) {
  MetaTagForm expected = Blank();
  expected.Title = written.Title;
  expected.Description = written.Description;
  std::size_t slot = 0;
  for (const auto& keyword : written.Keywords)
    if (!keyword.empty()) expected.Keywords[slot++] = keyword;
  if (!written.ExtraKeywords.empty() && slot < expected.Keywords.size())
    expected.Keywords[slot] = written.ExtraKeywords;
  expected.Author = written.Author;
  expected.Copyright = written.Copyright;
  expected.Expires = written.Expires;
  expected.Revisit = written.Revisit;
  expected.NoCache = written.NoCache;
  expected.NoIndex = written.NoIndex;
  expected.NoImageIndex = written.NoImageIndex;
  expected.IndexAll = written.IndexAll;
  expected.Distribution = written.Distribution == kDistributionLocal ? kDistributionLocal : kDistributionGlobal;
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);

  // The input as a line, on a form made from the same bytes.
  const MetaTagForm before = fuzz::FormFromBytes(data);
  MetaTagForm form = before;
  std::size_t shown = 0;
  const bool ended = ApplyPageLine(data, form, [&shown] { ++shown; });
  if (ended != EndsHeadSection(data)) std::abort();
  if (ended && !(form == before)) std::abort();
  if (shown > 16 + 4) std::abort();  // sixteen keywords, four robots items at most

  // The head block of a form made from the bytes, read back line by line.
  for (const auto style : {HeadBlockStyle::Plain, HeadBlockStyle::TrapPage}) {
    MetaTagForm written = Writable(fuzz::FormFromBytes(data));
    written.RedirectUrl.clear();
    const std::string block = ComposeHeadBlock(written, style);
    MetaTagForm read = Blank();
    std::size_t start = 0;
    while (start <= block.size()) {
      std::size_t end = block.find('\n', start);
      if (end == std::string::npos) end = block.size();
      if (ApplyPageLine(std::string_view(block).substr(start, end - start), read)) std::abort();
      start = end + 1;
    }
    if (!(read == ReadBack(written))) std::abort();
  }
  return 0;
}
