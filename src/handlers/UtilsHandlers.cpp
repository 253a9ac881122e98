#include "core/compose/CharacterTotals.h"
#include "core/compose/HeadBlock.h"
#include "handlers/Handlers.h"

namespace verdo::handlers {

// Both go on whatever ReadForm reports: the record is as it left it.
void OnPreview(Host& host) {
  host.ReadForm();
  const MetaTagForm& form = host.Form();
  host.ShowMessage(ComposeHeadBlock(form, HeadBlockStyle::Plain), form.Title);
}

void OnTotals(Host& host) {
  host.ReadForm();
  host.ShowMessage(FormatCharacterTotals(ComputeCharacterTotals(host.Form())), "Character Totals");
}

// Empties everything by design, without reading the controls first; the
// Status text stays as the record holds it.
void OnClearAll(Host& host) {
  ClearAll(host.Form());
  host.ShowForm();
}

}  // namespace verdo::handlers
