// The keyword tools. The five that re-case or reorder read the controls
// first and go on whatever ReadForm reports, and end by showing the record.
// Clear Keywords reads nothing and shows only the keyword controls, so what
// was typed into any other control stays there.
#include <cstdint>
#include <ctime>

#include "core/keywords/KeywordTools.h"
#include "handlers/Handlers.h"

namespace verdo::handlers {

namespace {

void ReadChangeShow(Host& host, void (*change)(MetaTagForm&)) {
  host.ReadForm();
  change(host.Form());
  host.ShowForm();
}

}  // namespace

void OnUppercase(Host& host) { ReadChangeShow(host, UppercaseKeywords); }
void OnLowercase(Host& host) { ReadChangeShow(host, LowercaseKeywords); }
void OnFirstCapitol(Host& host) { ReadChangeShow(host, CapitaliseKeywords); }
void OnReverse(Host& host) { ReadChangeShow(host, ReverseKeywords); }

// Seeded afresh on every press with the time in whole seconds (modulo 2^32),
// so two presses within one second make the same exchanges.
void OnRandomize(Host& host) {
  host.ReadForm();
  KeywordRandom random(static_cast<std::uint32_t>(std::time(nullptr)));
  ShuffleKeywords(host.Form(), random);
  host.ShowForm();
}

void OnClearKeywords(Host& host) {
  ClearKeywords(host.Form());
  host.ShowKeywords();
}

}  // namespace verdo::handlers
