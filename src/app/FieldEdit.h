// An edit box of the form with the typing limit of its field.
//
// The limit lets the user type or paste at most the limit's number of
// characters (a longer paste keeps what fits). A character Windows-1252
// can't hold goes in as its numeric character reference ("&#380;" for "ż"),
// whole or not at all, and counts against the limit with every character of
// the reference. The limit never cuts text put there by the program
// (SetFieldText): a longer text shows whole, may be shortened by the user,
// but takes nothing in. The boxes are single-line: a paste or drop is cut at
// its first line break.
#pragma once

#include <QLineEdit>
#include <QValidator>

namespace verdo::app {

class TypingLimitValidator : public QValidator {
  Q_OBJECT
 public:
  explicit TypingLimitValidator(QObject* parent = nullptr) : QValidator(parent) {}

  void SetLimit(int limit) { Limit = limit; }
  // The text the box holds now: an edit's new text is compared with it to
  // find what the edit put in.
  void SetCurrentText(const QString& text) { Current = text; }

  State validate(QString& input, int& pos) const override;

 private:
  int Limit = kPlatformDefaultLimit;
  QString Current;

 public:
  // What an edit box takes when the program sets no limit of its own.
  static constexpr int kPlatformDefaultLimit = 32767;
};

class CFieldEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CFieldEdit(QWidget* parent = nullptr);

  // 0 gives the platform's default.
  void SetTypingLimit(int limit);
  // Shows the text in full, whatever its length.
  void SetFieldText(const QString& text);

 private:
  TypingLimitValidator* Validator;
};

// The form keeps Windows-1252 bytes; the widgets show Unicode.
QString QStringFromCp1252(const std::string& bytes);
// The edit boxes hold only characters Windows-1252 can hold; should another
// slip in, it becomes its numeric character reference, as typed ones do.
std::string Cp1252FromQString(const QString& text);
// The text with each character Windows-1252 can't hold written as its
// numeric character reference, up to `room` characters: it ends before the
// first character (or reference) that would go past them.
QString WithCharacterReferences(const QString& text, qsizetype room);
// Whether Windows-1252 holds every character of the text.
bool FitsCp1252(const QString& text);

}  // namespace verdo::app
