// Tooltips on the Title and Description boxes: the text's length in
// characters and its width in pixels against the width at which search
// results cut it, kept up to date as the user types.
#pragma once

class QLineEdit;

namespace verdo::app {

void InstallMeasureTips(QLineEdit* title, QLineEdit* description);

}  // namespace verdo::app
