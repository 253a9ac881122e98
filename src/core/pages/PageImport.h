// Reading the title and the meta tags of a page into the form, one line at a
// time. Only single-line tags in the forms the program itself writes (and a
// few close variants) are recognised; everything else is ignored.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/form/MetaTagForm.h"

namespace verdo {

// Turns a value as it stands in the page (its own bytes) into the form's
// Windows-1252. Empty: the page is windows-1252 and its bytes go in as they are.
using PageValueDecoder = std::function<std::string(std::string_view value)>;

// Applies one line of a page (with or without its line end) to the form.
// Returns true when the line ends the head section: a line that, trimmed,
// starts with "</HEAD>" or "</head>"; the form is then left as it was.
// Fields whose tag the line doesn't carry keep their values, and check boxes
// are only ever set. `itemShown` runs after each keyword stored and each
// robots item examined, so a window can show the fields filling in.
// The line is read on its own bytes; only the values taken from it (title,
// description, keywords, author, copyright, expires) go through `toForm`.
// Values are the text a browser shows: a title ends at its end tag, the
// first "</title" on its line (any case) followed by white space, "/" or
// ">"; a value in double quotes at its closing quote; a NUL becomes U+FFFD
// ("&#65533;" in the form), a CR a blank.
bool ApplyPageLine(std::string_view line, MetaTagForm& form, const std::function<void()>& itemShown = {},
                   const PageValueDecoder& toForm = {});

// True for a line that, trimmed, starts with "</HEAD>" or "</head>". Of a
// line too long to keep whole only its start is known: it can still end the
// head section, but nothing else in it is applied.
bool EndsHeadSection(std::string_view line);

// A line of the page file as the file reader hands it over: a whole line is
// applied; of a line too long to keep whole (`whole` false) only its start
// came, which can end the head section and nothing more. Returns true when
// the line ends the head section.
bool ApplyPageFileLine(std::string_view line, bool whole, MetaTagForm& form,
                       const std::function<void()>& itemShown = {}, const PageValueDecoder& toForm = {});

}  // namespace verdo
