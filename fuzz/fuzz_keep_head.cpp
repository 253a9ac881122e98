// The kept-head export on any page: the parser's element ranges lie within
// the page, in order; the composed page keeps every other head element's
// bytes in their order, and everything after the head as it was, whether
// all the block's fields are replaced or only some (--only).
//
// Input: the page.
#include <cstdlib>
#include <string>

#include "core/site/KeptHead.h"
#include "platform/HtmlOutline.h"

namespace {

using namespace verdo;

constexpr std::string_view kBlock = "<TITLE>t</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">";

// Past the blanks and the one line end that follow `at`.
std::size_t PastLineEnd(std::string_view page, std::size_t at) {
  while (at < page.size() && (page[at] == ' ' || page[at] == '\t')) ++at;
  if (page.substr(at, 2) == "\r\n") return at + 2;
  if (at < page.size() && page[at] == '\n') return at + 1;
  return at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(bytes), size);
  const PageOutline outline = OutlinePage(page);
  std::size_t previous = 0;
  for (const auto& element : outline.Head) {
    if (element.Bytes.Begin > element.Bytes.End || element.Bytes.End > page.size()) std::abort();
    if (element.Bytes.Begin < previous) std::abort();
    previous = element.Bytes.End;
  }
  for (const OwnedFields& fields : {OwnedFields::All(), *OwnedFields::Parse("description,author")}) {
    const auto out = ComposeKeptHeadPage(page, outline, kBlock, fields);
    if (!out) return 0;
    std::size_t at = 0;
    for (const auto& element : outline.Head) {
      if (ClassifyHeadElement(element, fields) == HeadElementKind::HeadBlock) continue;
      at = out->find(page.substr(element.Bytes.Begin, element.Bytes.End - element.Bytes.Begin), at);
      if (at == std::string::npos) std::abort();
      at += element.Bytes.End - element.Bytes.Begin;
    }
    if (!outline.Head.empty()) {
      const std::string_view after = page.substr(PastLineEnd(page, previous));
      if (out->size() < after.size() || out->compare(out->size() - after.size(), after.size(), after) != 0)
        std::abort();
    }
  }
  return 0;
}
