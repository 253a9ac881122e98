// The head block: the TITLE line and the run of META lines that the form
// turns into. Preview, Export and the trap page all emit it from here.
#pragma once

#include <string>

#include "core/form/MetaTagForm.h"

namespace verdo {

enum class HeadBlockStyle { Plain, TrapPage };

std::string ComposeHeadBlock(const MetaTagForm& form, HeadBlockStyle style);

// Keyword1..16 then ExtraKeywords, each non-empty one after ", " (Keyword1
// alone has no separator before it, so an empty Keyword1 leaves a leading ", ").
std::string ComposeKeywordsContent(const MetaTagForm& form);

// The tokens of the checked robots boxes, in a fixed order, joined by ", ".
std::string ComposeRobotsContent(const MetaTagForm& form);

// The two comment lines that Export and the saved trap page add.
std::string CreditComments();

}  // namespace verdo
