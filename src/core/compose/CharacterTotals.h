// How many bytes the main text fields hold, for the Totals button.
#pragma once

#include <cstddef>
#include <string>

#include "core/form/MetaTagForm.h"

namespace verdo {

struct CharacterTotals {
  std::size_t Title = 0;
  std::size_t Description = 0;
  std::size_t Keywords = 0;  // the 17 keyword fields' own bytes, no separators
  std::size_t Author = 0;
  std::size_t Copyright = 0;
};

CharacterTotals ComputeCharacterTotals(const MetaTagForm& form);
std::string FormatCharacterTotals(const CharacterTotals& totals);

}  // namespace verdo
