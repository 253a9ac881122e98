#include "core/site/PageOutline.h"

namespace verdo {

const std::string* FindAttribute(const HeadElement& element, std::string_view name) {
  for (const auto& [key, value] : element.Attributes)
    if (key == name) return &value;
  return nullptr;
}

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

std::string_view TrimHtmlSpace(std::string_view text) {
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace verdo
