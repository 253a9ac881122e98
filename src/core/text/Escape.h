// Text shown to a person, on a terminal or in a message. Names, titles and
// addresses come from pages, servers and other users: let through raw, an
// escape sequence would clear the screen, recolour it or write the
// clipboard, and a newline would forge a line of a report. So the bytes that
// aren't text are shown as C escapes, the way git shows file names.
#pragma once

#include <string>
#include <string_view>

namespace verdo {

// The C0 controls but tab, DEL, the C1 controls (U+0080 to U+009F, in UTF-8)
// and every byte that isn't part of valid UTF-8, each byte as a C escape:
// \a \b \v \f \n \r, else a backslash and three octal digits ("\033").
// Everything else, tab and printable UTF-8 included, stays as it is.
std::string EscapeControls(std::string_view text);

// A name (a file's, an address) as a message quotes it: as it is when
// EscapeControls leaves it alone and it holds no double quote or backslash;
// else in double quotes with its controls escaped, and " and \ as \" and
// \\. "a<LF>b" shows as "a\nb" with its quotes; "page.htm" as page.htm.
std::string QuoteName(std::string_view name);

// A program's output for a terminal: as EscapeControls, but a line end (LF,
// or CR LF) stays a line end.
std::string EscapeForTerminal(std::string_view text);

}  // namespace verdo
