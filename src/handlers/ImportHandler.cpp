// Placeholder bodies until the import lands.
#include "handlers/Handlers.h"

namespace verdo::handlers {

void OnImport(Host&) {}
int DownloadPage(Host&, const std::string&, const std::string&) { return 0; }

}  // namespace verdo::handlers
