#include "app/MeasureTips.h"

#include <QLineEdit>

#include "core/site/HeadRules.h"
#include "core/site/SiteAudit.h"
#include "platform/TextWidth.h"

namespace verdo::app {

namespace {

// The box holds what goes into the page: a browser shows its character
// references as the characters and its white space collapsed.
void ShowMeasure(QLineEdit* box, const char* label, double pixelSize, double limit) {
  const std::string shown = CollapsedText(DecodeCharacterReferences(box->text().toStdString()));
  const std::optional<double> width = shown.empty() ? std::optional<double>(0) : TextWidth(shown, pixelSize);
  box->setToolTip(QString::fromStdString(MeasureNote(label, CharacterCount(shown), width, limit)));
}

void Install(QLineEdit* box, const char* label, double pixelSize, double limit) {
  const auto update = [=] { ShowMeasure(box, label, pixelSize, limit); };
  QObject::connect(box, &QLineEdit::textChanged, box, update);
  update();
}

}  // namespace

void InstallMeasureTips(QLineEdit* title, QLineEdit* description) {
  Install(title, "Title", kTitleFontSize, kTitleWidthLimit);
  Install(description, "Description", kDescriptionFontSize, kDescriptionWidthLimit);
}

}  // namespace verdo::app
