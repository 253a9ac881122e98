// Placeholder bodies until the file handlers land.
#include "handlers/Handlers.h"

namespace verdo::handlers {

void OnLoad(Host&) {}
void OnSave(Host&) {}
void OnExport(Host&) {}
void OnGenerate(Host&) {}
void OnTrapPreview(Host&) {}

}  // namespace verdo::handlers
