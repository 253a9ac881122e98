// One function per button of the main dialog: the whole sequence of reading
// the form, asking for files, showing status and messages, and writing.
#pragma once

#include "handlers/Host.h"

namespace verdo::handlers {

// "Utils" group
void OnPreview(Host& host);      // 1047: the head block in a box captioned with the title
void OnTotals(Host& host);       // 1048: the character totals

}  // namespace verdo::handlers
