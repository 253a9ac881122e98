#include "app/FieldEdit.h"

#include <limits>

#include "core/text/Windows1252.h"

namespace verdo::app {

QValidator::State TypingLimitValidator::validate(QString& input, int& /*pos*/) const {
  if (!FitsCp1252(input)) return Invalid;
  if (input.size() > Limit && input.size() > CurrentLength) return Invalid;
  return Acceptable;
}

CFieldEdit::CFieldEdit(QWidget* parent) : QLineEdit(parent), Validator(new TypingLimitValidator(this)) {
  // The validator holds the limit; QLineEdit's own maximum would cut text the
  // program puts there, so it is set out of reach.
  setMaxLength(std::numeric_limits<int>::max() / 2);
  setValidator(Validator);
  connect(this, &QLineEdit::textChanged, this,
          [this](const QString& text) { Validator->SetCurrentLength(text.size()); });
}

void CFieldEdit::SetTypingLimit(int limit) {
  Validator->SetLimit(limit > 0 ? limit : TypingLimitValidator::kPlatformDefaultLimit);
}

void CFieldEdit::SetFieldText(const QString& text) {
  // Announce the length first: setText runs the validator, and a text it
  // found invalid would leave the box unable to refuse the next keystroke.
  Validator->SetCurrentLength(text.size());
  setText(text);
}

QString QStringFromCp1252(const std::string& bytes) {
  const std::u32string text = Utf32FromCp1252(bytes);
  return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Cp1252FromQString(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (char32_t ch : text.toUcs4()) {
    bytes.push_back(static_cast<char>(Cp1252FromUnicode(ch).value_or('?')));
  }
  return bytes;
}

bool FitsCp1252(const QString& text) {
  for (char32_t ch : text.toUcs4()) {
    if (!Cp1252FromUnicode(ch)) return false;
  }
  return true;
}

}  // namespace verdo::app
