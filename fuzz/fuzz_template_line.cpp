// A template file from anywhere: applying it never crashes, and a form saved
// and loaded back is the same form, but for the documented exceptions
// (neither distribution button comes back as Local; trailing white space
// and line breaks inside values don't survive).
#include <cstdlib>

#include "FuzzForm.h"
#include "core/templates/Template.h"
#include "core/text/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace verdo;
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);

  MetaTagForm applied;
  ApplyTemplateText(data, applied);  // any text at all

  MetaTagForm form = fuzz::FormFromBytes(data);
  for (const auto& field : FormFields()) {
    if (field.Kind != FieldKind::Text) continue;
    std::string& value = *field.Text(form);
    if (value.find('\n') != std::string::npos || TrimRight(value).size() != value.size()) return 0;
  }
  MetaTagForm loaded;
  ApplyTemplateText(CrLfToLf(LfToCrLf(FormatTemplate(form))), loaded);
  if (form.Distribution == kDistributionNone) form.Distribution = kDistributionLocal;
  if (!(loaded == form)) std::abort();
  return 0;
}
