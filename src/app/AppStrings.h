// The program's string table and the framework's message box.
#pragma once

#include <QString>

class QWidget;

namespace verdo::app {

// String 101: the window menu's About item.
inline constexpr const char* kAboutMenuItem = "&About Verdo...";
// String 103: network start-up (curl_global_init) failed.
inline constexpr const char* kSocketsInitFailed = "Windows sockets initialization failed.";
// The framework's field-length message; %1 is the limit.
inline constexpr const char* kLimitCheckMessage = "Please enter no more than %1 characters.";

// The framework's own box: warning icon, one OK button, the application's
// title (the executable's name without extension) as caption.
void FrameworkMessageBox(QWidget* parent, const QString& text);

}  // namespace verdo::app
