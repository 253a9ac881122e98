// The trap page: a small stand-alone page built from the form alone. Its
// head carries the head block; its body repeats the title and description
// and, when there is a redirect URL, links to it.
#pragma once

#include <string>

#include "core/form/MetaTagForm.h"

namespace verdo {

// The page with LF line ends. Generate writes it with the credit comments,
// Preview shows it without them.
std::string ComposeTrapPage(const MetaTagForm& form, bool withCredits);

}  // namespace verdo
