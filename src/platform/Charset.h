// Conversions between the form's Windows-1252 and the encoding of a page,
// for every encoding browsers know: the core converts UTF-8 and windows-1252
// itself, glibc's iconv the others (ISO-8859-2, Shift_JIS, GBK, ...). A
// character the target can't hold becomes a numeric character reference.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/pages/ExportPage.h"
#include "core/pages/PageCharset.h"
#include "core/pages/PageImport.h"

namespace verdo {

// The form's text as a page in `encoding` holds it. An encoding nothing here
// converts to gets ASCII with references for the rest, which every page that
// can be written to this way reads right.
std::string EncodeForPage(std::string_view text, std::string_view encoding);

// Bytes of a page in `encoding` as the form's text; an invalid sequence
// becomes U+FFFD, and so "&#65533;". An encoding nothing here converts from
// leaves the bytes as they are.
std::string DecodeForForm(std::string_view bytes, std::string_view encoding);

// Bytes of a page in `encoding` as UTF-8, for showing them: UTF-8 as it
// is, invalid sequences included; an invalid sequence of another encoding
// becomes U+FFFD. An encoding nothing here converts from leaves the bytes.
std::string Utf8FromPage(std::string_view bytes, std::string_view encoding);

// The decoder Import hands to the line reader: none for windows-1252, whose
// bytes go into the form as they are.
PageValueDecoder FormDecoderFor(std::string_view encoding);

// ExportPageStart in the page's own encoding.
std::string EncodedExportStart(std::string_view headBlock, bool found, const PageCharset& charset);

// The encoding of a page stored for Import, from `contentType` (the
// Content-Type of the answer it came in, empty when none) and from its head
// section: the lines up to the one that ends it. Nothing when the file
// can't be read.
std::optional<PageCharset> StoredPageCharset(const std::string& path, std::string_view contentType);
// The same for the page in the open file `fd`, read from its start.
std::optional<PageCharset> StoredPageCharset(int fd, std::string_view contentType);

// How Import reads the values of the page stored in `fd`: the decoder for its
// encoding, or nothing when the file can't be read or is in UTF-16 or
// UTF-32, which can't be read line by line.
std::optional<PageValueDecoder> StoredPageDecoder(int fd, std::string_view contentType);

}  // namespace verdo
