// The keyword tools and Clear All, pressed on the real main dialog.
#include <QAbstractButton>
#include <QLineEdit>
#include <QtTest>

#include <cstdint>
#include <ctime>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "core/keywords/KeywordTools.h"

namespace control = verdo::control;

class KeywordButtonsTest : public QObject {
  Q_OBJECT

 private:
  CMetaDlg* Dialog = nullptr;

  QLineEdit* Edit(int id) { return verdo::testing::EditOf(Dialog, id); }
  QAbstractButton* Button(int id) { return verdo::testing::ControlOf<QAbstractButton>(Dialog, id); }
  // Types into a box as the user does: replaces what it holds.
  void Type(int id, const QString& text) { QCOMPARE(verdo::testing::TypeInto(Edit(id), text), text); }
  void Press(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
  QString Text(int id) { return Edit(id)->text(); }
  QStringList Keywords() {
    QStringList out;
    for (int n = 1; n <= 16; ++n) out << Text(control::Keyword(n));
    return out;
  }
  void TypeLetters() {
    for (int n = 1; n <= 16; ++n) Type(control::Keyword(n), QString(QChar('a' + n - 1)));
  }

 private slots:
  void init() {
    Dialog = new CMetaDlg;
    Dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(Dialog));
  }
  void cleanup() {
    delete Dialog;
    Dialog = nullptr;
  }

  void uppercaseChangesKeywordsAndExtraKeywordsOnly() {
    Type(control::Title, "my page");
    Type(control::Keyword(1), "web design 2001");
    Type(control::Keyword(7), QString::fromUtf8("caf\u00e9 menu"));
    Type(control::ExtraKeywords, "red,green");
    Press(control::Uppercase);
    QCOMPARE(Text(control::Keyword(1)), QString("WEB DESIGN 2001"));
    QCOMPARE(Text(control::Keyword(7)), QString::fromUtf8("CAF\u00e9 MENU"));
    QCOMPARE(Text(control::ExtraKeywords), QString("RED,GREEN"));
    QCOMPARE(Text(control::Title), QString("my page"));
  }

  void lowercaseChangesKeywordsAndExtraKeywordsOnly() {
    Type(control::Title, "My Page");
    Type(control::Keyword(16), "HTML");
    Type(control::ExtraKeywords, "CSS, XML");
    Press(control::Lowercase);
    QCOMPARE(Text(control::Keyword(16)), QString("html"));
    QCOMPARE(Text(control::ExtraKeywords), QString("css, xml"));
    QCOMPARE(Text(control::Title), QString("My Page"));
  }

  void firstCapitolCapitalisesWords() {
    Type(control::Keyword(1), "search ENGINE");
    Type(control::Keyword(2), "x-ray");
    Type(control::Keyword(3), "red,green");
    Type(control::ExtraKeywords, "red,green, blue");
    Press(control::FirstCapitol);
    QCOMPARE(Text(control::Keyword(1)), QString("Search Engine"));
    QCOMPARE(Text(control::Keyword(2)), QString("X-ray"));
    QCOMPARE(Text(control::Keyword(3)), QString("Red,green"));
    QCOMPARE(Text(control::ExtraKeywords), QString("Red,Green, Blue"));
  }

  void reverseSwapsTheBoxesAndTwiceRestores() {
    Type(control::Keyword(1), "first");
    Type(control::Keyword(2), "second");
    Type(control::ExtraKeywords, "extra");
    const QStringList before = Keywords();
    Press(control::Reverse);
    QCOMPARE(Text(control::Keyword(1)), QString());
    QCOMPARE(Text(control::Keyword(16)), QString("first"));
    QCOMPARE(Text(control::Keyword(15)), QString("second"));
    QCOMPARE(Text(control::ExtraKeywords), QString("extra"));
    Press(control::Reverse);
    QCOMPARE(Keywords(), before);
  }

  void randomizeShufflesWithTheTimeAsSeed() {
    TypeLetters();
    verdo::KeywordList typed;
    for (int n = 1; n <= 16; ++n) typed[static_cast<std::size_t>(n - 1)] = std::string(1, char('a' + n - 1));

    const auto start = static_cast<std::uint32_t>(std::time(nullptr));
    Press(control::Randomize);
    const auto end = static_cast<std::uint32_t>(std::time(nullptr));

    bool matched = false;
    for (std::uint32_t seed = start; seed != end + 1 && !matched; ++seed) {
      verdo::KeywordRandom random(seed);
      const verdo::KeywordList expected = verdo::ShuffleKeywords(typed, random);
      QStringList shown;
      for (const auto& k : expected) shown << QString::fromStdString(k);
      matched = shown == Keywords();
    }
    QVERIFY2(matched, qPrintable(Keywords().join(' ')));
  }

  void clearKeywordsReplacesATitleTypedButNotYetRead() {
    Type(control::Title, "read title");
    Type(control::Keyword(4), "keyword");
    Type(control::ExtraKeywords, "a, b");
    Press(control::Lowercase);  // lowercase: reads the form
    Type(control::Title, "typed title");
    Press(control::ClearKeywords);
    QCOMPARE(Text(control::Title), QString("read title"));
    QCOMPARE(Keywords(), QStringList(16, QString()));
    QCOMPARE(Text(control::ExtraKeywords), QString());
  }

  void clearAllChoosesGlobalAndResetsEveryField() {
    QVERIFY(!Button(control::Global)->isChecked());
    QVERIFY(!Button(control::Local)->isChecked());
    Type(control::Title, "typed title");
    Type(control::Keyword(9), "keyword");
    Type(control::Copyright, "mine");
    Press(control::Uppercase);
    QTest::mouseClick(Button(control::Local), Qt::LeftButton);
    QTest::mouseClick(Button(control::NoCache), Qt::LeftButton);
    QVERIFY(Button(control::NoCache)->isChecked());
    Press(control::ClearAll);
    QCOMPARE(Text(control::Title), QString());
    QCOMPARE(Keywords(), QStringList(16, QString()));
    QCOMPARE(Text(control::Copyright), QString::fromUtf8("Copyright \u00a9 2000"));
    QVERIFY(Button(control::Global)->isChecked());
    QVERIFY(!Button(control::Local)->isChecked());
    QVERIFY(!Button(control::NoCache)->isChecked());
  }
};

QTEST_MAIN(KeywordButtonsTest)
#include "tst_keywordbuttons.moc"
