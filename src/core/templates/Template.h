// The template file: the whole form as 30 "KEY=value" lines, the keys and
// their places taken from the field table.
#pragma once

#include <string>
#include <string_view>

#include "core/form/MetaTagForm.h"

namespace verdo {

// The file's text with LF line ends (the file layer writes CR LF).
std::string FormatTemplate(const MetaTagForm& form);

// Applies one line (its line end included or not) to the form. Unknown keys,
// flag lines in another case and malformed lines change nothing.
void ApplyTemplateLine(std::string_view line, MetaTagForm& form);

// Applies every complete line of a template text (LF line ends), in order;
// the bytes after the last LF form no line and are dropped, as Load does.
void ApplyTemplateText(std::string_view text, MetaTagForm& form);

}  // namespace verdo
