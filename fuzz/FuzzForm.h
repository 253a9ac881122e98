// Builds a form out of fuzzer bytes, so every target starts from varied forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/form/MetaTagForm.h"

namespace verdo::fuzz {

// Splits the input at 0x01 bytes: the pieces fill the text fields in field
// table order, and the first byte sets the flags and the distribution.
inline MetaTagForm FormFromBytes(std::string_view data) {
  MetaTagForm form;
  if (data.empty()) return form;
  const unsigned char bits = static_cast<unsigned char>(data.front());
  data.remove_prefix(1);
  for (const auto& field : FormFields()) {
    if (field.Kind == FieldKind::Flag) *field.Number(form) = (bits >> (field.ControlId % 7)) & 1;
    if (field.Kind == FieldKind::Radio) *field.Number(form) = static_cast<int>(bits % 3) - 1;
    if (field.Kind != FieldKind::Text) continue;
    const auto cut = data.find('\x01');
    *field.Text(form) = std::string(data.substr(0, cut));
    data = cut == std::string_view::npos ? std::string_view() : data.substr(cut + 1);
  }
  return form;
}

}  // namespace verdo::fuzz
