// The rules a head section is checked against beside its title and
// description: whether search engines may index the page, whether its
// canonical and hreflang links are ones they take, and the viewport,
// language and character-set declarations browsers look for. Each takes
// the values as the parser decoded them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/site/PageOutline.h"

namespace verdo {

// A robots meta's content that keeps the page out of the index: a
// directive "noindex" or "none", in any case, among directives separated by
// commas and white space.
bool ForbidsIndexing(std::string_view content);

// A valid language tag (BCP 47): an ISO 639 language code of 2 or 3
// letters, then optionally extended languages, a script, a region,
// variants, extensions and a private use part; or one of the irregular tags
// of a known language ("en-GB-oed"). Any case; "_" is no separator. A
// private use tag alone ("x-klingon") names no known language.
bool IsLanguageTag(std::string_view tag);

// A URL that a browser takes without a base: a scheme, then for http,
// https, ftp, ws, wss a host without blanks, controls, "%" or brackets
// where they don't belong, and a port of at most 65535. Leading and trailing blanks and
// control characters are ignored, as browsers ignore them.
bool IsAbsoluteUrl(std::string_view url);

// The URL as a browser writes it, for comparing: scheme and host in lower
// case, the scheme's default port left out, the path's "." and ".."
// segments resolved (an empty path is "/"), blanks and the like
// percent-encoded.
std::string ComparableUrl(std::string_view url);

// Whether an absolute URL's path is the site's root ("/" or none).
bool PointsAtRoot(std::string_view url);

// A viewport meta's content that sets the width or the initial scale
// ("width=device-width, initial-scale=1").
bool SetsViewport(std::string_view content);

// What the head's links, metas and <html lang> say, for the checks above.
// Made by hand it finds nothing wrong.
struct HeadDeclarations {
  bool Noindex = false;           // a robots or googlebot meta forbids indexing
  bool CanonicalInvalid = false;  // a canonical link that isn't absolute, or two that differ
  bool CanonicalAtRoot = false;   // the one canonical URL is a site's root
  bool HreflangInvalid = false;   // an alternate link's hreflang or href that search engines refuse
  bool ViewportFound = true;      // a viewport meta with a width or initial scale
  bool LanguageValid = true;      // <html lang> holds a language tag
};

HeadDeclarations DeclarationsOf(const PageOutline& outline);

// Text as a browser shows it from markup: numeric character references
// (&#380; &#x17C;) and the common named ones (&amp; &lt; &gt; &quot; &apos;
// &nbsp; &copy; &reg; &trade; &euro; ...) decoded, in UTF-8.
std::string DecodeCharacterReferences(std::string_view utf8);

}  // namespace verdo
