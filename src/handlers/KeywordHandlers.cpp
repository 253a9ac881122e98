// Placeholder bodies until the keyword tools land.
#include "handlers/Handlers.h"

namespace verdo::handlers {

void OnClearAll(Host&) {}
void OnUppercase(Host&) {}
void OnLowercase(Host&) {}
void OnFirstCapitol(Host&) {}
void OnReverse(Host&) {}
void OnRandomize(Host&) {}
void OnClearKeywords(Host&) {}

}  // namespace verdo::handlers
