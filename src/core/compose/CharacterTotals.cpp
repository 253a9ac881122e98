#include "core/compose/CharacterTotals.h"

namespace verdo {

CharacterTotals ComputeCharacterTotals(const MetaTagForm& form) {
  CharacterTotals totals;
  totals.Title = form.Title.size();
  totals.Description = form.Description.size();
  for (const auto& keyword : form.Keywords) totals.Keywords += keyword.size();
  totals.Keywords += form.ExtraKeywords.size();
  totals.Author = form.Author.size();
  totals.Copyright = form.Copyright.size();
  return totals;
}

std::string FormatCharacterTotals(const CharacterTotals& t) {
  return "Title: " + std::to_string(t.Title) + "\nDescription: " + std::to_string(t.Description) +
         "\nKeywords: " + std::to_string(t.Keywords) + "\nAuthor: " + std::to_string(t.Author) +
         "\nCopyright: " + std::to_string(t.Copyright);
}

}  // namespace verdo
