// The form: the one data record of the program, the values of the main
// dialog's input controls, plus the field table that drives the exchange
// between the record and the controls.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "core/form/ControlIds.h"

namespace verdo {

// "Copyright © 2000", the © being the single byte 0xA9: 16 bytes.
inline const std::string kInitialCopyright = "Copyright \xA9 2000";

enum Distribution : int { kDistributionNone = -1, kDistributionGlobal = 0, kDistributionLocal = 1 };

struct MetaTagForm {
  std::string Title;
  std::string Description;
  std::array<std::string, 16> Keywords;  // Keyword1 to Keyword16: Keywords[0] is Keyword1
  std::string ExtraKeywords;
  std::string Author;
  std::string Copyright = kInitialCopyright;
  std::string Expires;
  std::string RedirectUrl;
  // Flags: 0 clear, anything else set.
  int Revisit = 0;
  int NoCache = 0;
  int NoIndex = 0;
  int NoImageIndex = 0;
  int IndexAll = 0;
  int Distribution = kDistributionNone;

  std::string& Keyword(int n) { return Keywords[static_cast<std::size_t>(n - 1)]; }
  const std::string& Keyword(int n) const { return Keywords[static_cast<std::size_t>(n - 1)]; }

  bool operator==(const MetaTagForm&) const = default;
};

enum class FieldKind { Text, Flag, Radio };

// One row of the field table. Text fields reach their string through Text,
// flags and the radio index through Number; the other is null.
struct FormField {
  const char* Name;  // "Title", "Keyword9", ...
  int ControlId;     // control::...; the first radio button for Distribution
  FieldKind Kind;
  int Limit;                // in bytes; 0 for no limit of the program's own
  const char* TemplateKey;  // the key of its template line: "TITLE", "KW9", ...
  int TemplateLine;         // where the template file has it: 2 to 30, line 1 being OWNER
  std::string* (*Text)(MetaTagForm&);
  int* (*Number)(MetaTagForm&);
};

inline constexpr std::size_t kFormFieldCount = 29;
// The template file: OWNER, then one line for each field.
inline constexpr int kTemplateLineCount = 30;

// The 29 fields in exchange order, the order in which ReadForm and ShowForm
// visit them (and so the order that decides which fields a failed limit
// check leaves stale). StatusText comes after them.
std::span<const FormField, kFormFieldCount> FormFields();

// The Status field beside the form (control::Status): not part of it, but
// exchanged with it.
inline constexpr int kStatusLimit = 20;

// The form that Clear All leaves: every text empty but Copyright (the
// initial text), every flag clear and Distribution Global, unlike the form
// at start where no button is chosen.
void ClearAll(MetaTagForm& form);

}  // namespace verdo
