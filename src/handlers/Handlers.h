// One function per button of the main dialog: the whole sequence of reading
// the form, asking for files, showing status and messages, and writing.
// CMetaDlg's OnXxx members call these; the tests call them with a scripted Host.
#pragma once

#include <string>

#include "handlers/Host.h"

namespace verdo::handlers {

// "Template" group
void OnLoad(Host& host);  // 1006
void OnSave(Host& host);  // 1033

// "HTML" group
void OnExport(Host& host);  // 1004
void OnImport(Host& host);  // 1005
// Copies the resource at the address into the file; 1 when the whole body
// was stored, 0 otherwise. Shows "Please Wait", then "Done", in the Status field.
// `contentType`, when given, receives the Content-Type of the answer.
int DownloadPage(Host& host, const std::string& address, const std::string& fileName,
                 std::string* contentType = nullptr);

// "Trap Page" group
void OnGenerate(Host& host);     // 1007
void OnTrapPreview(Host& host);  // 1049

// "Utils" group
void OnTotals(Host& host);    // 1048: the character totals
void OnPreview(Host& host);   // 1047: the head block in a box captioned with the title
void OnClearAll(Host& host);  // 1050

// "Keywords" group
void OnUppercase(Host& host);      // 1001
void OnLowercase(Host& host);      // 1002
void OnFirstCapitol(Host& host);   // 1032
void OnReverse(Host& host);        // 1043
void OnRandomize(Host& host);      // 1003
void OnClearKeywords(Host& host);  // 1051

}  // namespace verdo::handlers
