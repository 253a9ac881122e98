#include "core/templates/Template.h"

#include <array>

#include "core/text/Text.h"

namespace verdo {
namespace {

// A field's value as its template line holds it. Neither Distribution button
// chosen is written as Local: the file has no third value.
std::string TemplateValue(const FormField& field, MetaTagForm& form) {
  switch (field.Kind) {
    case FieldKind::Text: return *field.Text(form);
    case FieldKind::Flag: return *field.Number(form) ? "yes" : "no";
    case FieldKind::Radio: return *field.Number(form) == kDistributionGlobal ? "Global" : "Local";
  }
  return {};
}

// A text takes any value; a flag only "yes" or "no", Distribution only
// "Global" or "Local" (in that case), and other values change nothing.
void ApplyTemplateValue(const FormField& field, std::string_view value, MetaTagForm& form) {
  switch (field.Kind) {
    case FieldKind::Text: *field.Text(form) = std::string(value); break;
    case FieldKind::Flag:
      if (value == "yes") *field.Number(form) = 1;
      if (value == "no") *field.Number(form) = 0;
      break;
    case FieldKind::Radio:
      if (value == "Local") *field.Number(form) = kDistributionLocal;
      if (value == "Global") *field.Number(form) = kDistributionGlobal;
      break;
  }
}

}  // namespace

std::string FormatTemplate(const MetaTagForm& form) {
  MetaTagForm f = form;  // the field accessors take a mutable form
  std::array<std::string, kTemplateLineCount> lines;
  lines[0] = "OWNER=Verdo 1.0";
  for (const FormField& field : FormFields()) {
    lines[static_cast<std::size_t>(field.TemplateLine - 1)] =
        std::string(field.TemplateKey) + "=" + TemplateValue(field, f);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

void ApplyTemplateLine(std::string_view line, MetaTagForm& form) {
  const std::string_view trimmed = TrimRight(line);
  // The key ends at the first "="; everything after it, further "=" included,
  // is the value, so a saved value that holds "=" loads back whole.
  const auto eq = trimmed.find('=');
  const std::string_view key = trimmed.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : trimmed.substr(eq + 1);
  for (const FormField& field : FormFields())
    if (key == field.TemplateKey) ApplyTemplateValue(field, value, form);
}

void ApplyTemplateText(std::string_view text, MetaTagForm& form) {
  for (auto lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n')) {
    ApplyTemplateLine(text.substr(0, lf + 1), form);
    text.remove_prefix(lf + 1);
  }
}

}  // namespace verdo
