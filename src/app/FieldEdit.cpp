#include "app/FieldEdit.h"

#include <algorithm>
#include <limits>

#include "core/text/Encoding.h"
#include "core/text/Windows1252.h"

namespace verdo::app {

namespace {

bool IsLineBreak(QChar ch) { return ch == QLatin1Char('\r') || ch == QLatin1Char('\n'); }

// Where an edit put text in: the edited text keeps a start and an end of the
// text before it, and what it put in lies between them, up to the cursor.
qsizetype InsertionStart(const QString& input, int pos, const QString& before) {
  const qsizetype keptEnd = input.size() - pos;
  const qsizetype bound = std::min<qsizetype>(pos, before.size() - keptEnd);
  qsizetype start = 0;
  while (start < bound && input[start] == before[start]) ++start;
  return start;
}

}  // namespace

QValidator::State TypingLimitValidator::validate(QString& input, int& pos) const {
  pos = std::clamp(pos, 0, static_cast<int>(input.size()));
  const qsizetype start = InsertionStart(input, pos, Current);
  // What was put in ends at its first line break: the box is single-line.
  qsizetype end = start;
  while (end < pos && !IsLineBreak(input[end])) ++end;
  // And it holds at most the limit: a paste keeps what fits, and a box that
  // the program filled beyond the limit takes nothing in (but still lets
  // the user delete).
  const qsizetype others = input.size() - (pos - start);
  const QString put = WithCharacterReferences(input.mid(start, end - start), std::max<qsizetype>(0, Limit - others));
  input.replace(start, pos - start, put);
  pos = static_cast<int>(start + put.size());
  return FitsCp1252(input) ? Acceptable : Invalid;
}

CFieldEdit::CFieldEdit(QWidget* parent) : QLineEdit(parent), Validator(new TypingLimitValidator(this)) {
  // The validator holds the limit; QLineEdit's own maximum would cut text the
  // program puts there, so it is set out of reach.
  setMaxLength(std::numeric_limits<int>::max() / 2);
  setValidator(Validator);
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { Validator->SetCurrentText(text); });
}

void CFieldEdit::SetTypingLimit(int limit) {
  Validator->SetLimit(limit > 0 ? limit : TypingLimitValidator::kPlatformDefaultLimit);
}

void CFieldEdit::SetFieldText(const QString& text) {
  // Announce the text first: setText runs the validator, which must neither
  // refuse nor cut what the program puts there.
  Validator->SetCurrentText(text);
  setText(text);
  setCursorPosition(0);  // a text too long for the box shows its start
}

QString QStringFromCp1252(const std::string& bytes) {
  const std::u32string text = Utf32FromCp1252(bytes);
  return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Cp1252FromQString(const QString& text) {
  const QList<uint> codes = text.toUcs4();
  return Cp1252WithReferencesFromUtf32(std::u32string(codes.begin(), codes.end()));
}

QString WithCharacterReferences(const QString& text, qsizetype room) {
  QString out;
  for (qsizetype i = 0; i < text.size();) {
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const qsizetype length = pair ? 2 : 1;
    const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
    const QString unit = Cp1252FromUnicode(code) ? text.mid(i, length) : QString::fromStdString(NumericReference(code));
    if (out.size() + unit.size() > room) break;
    out += unit;
    i += length;
  }
  return out;
}

bool FitsCp1252(const QString& text) {
  for (char32_t ch : text.toUcs4()) {
    if (!Cp1252FromUnicode(ch)) return false;
  }
  return true;
}

}  // namespace verdo::app
