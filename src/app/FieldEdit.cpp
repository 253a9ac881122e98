#include "app/FieldEdit.h"

#include <algorithm>
#include <limits>

#include "core/text/Windows1252.h"

namespace verdo::app {

namespace {

// Cuts what was put in before the cursor at its first line break: the text
// from where it first differs from `before` up to `pos`.
void CutAtLineBreak(QString& input, int& pos, const QString& before) {
  const qsizetype end = std::min<qsizetype>(pos, input.size());
  qsizetype start = 0;
  while (start < end && start < before.size() && input[start] == before[start]) ++start;
  for (qsizetype i = start; i < end; ++i) {
    if (input[i] == QLatin1Char('\r') || input[i] == QLatin1Char('\n')) {
      input.remove(i, end - i);
      pos = static_cast<int>(i);
      return;
    }
  }
}

}  // namespace

QValidator::State TypingLimitValidator::validate(QString& input, int& pos) const {
  CutAtLineBreak(input, pos, Current);
  if (!FitsCp1252(input)) return Invalid;
  if (input.size() > Limit && input.size() > Current.size()) return Invalid;
  return Acceptable;
}

CFieldEdit::CFieldEdit(QWidget* parent) : QLineEdit(parent), Validator(new TypingLimitValidator(this)) {
  // The validator holds the limit; QLineEdit's own maximum would cut text the
  // program puts there, so it is set out of reach.
  setMaxLength(std::numeric_limits<int>::max() / 2);
  setValidator(Validator);
  connect(this, &QLineEdit::textChanged, this,
          [this](const QString& text) { Validator->SetCurrentText(text); });
}

void CFieldEdit::SetTypingLimit(int limit) {
  Validator->SetLimit(limit > 0 ? limit : TypingLimitValidator::kPlatformDefaultLimit);
}

void CFieldEdit::SetFieldText(const QString& text) {
  // Announce the text first: setText runs the validator, which must neither
  // refuse nor cut what the program puts there.
  Validator->SetCurrentText(text);
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
