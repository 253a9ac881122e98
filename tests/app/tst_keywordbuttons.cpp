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

class KeywordButtonsTest : public QObject, verdo::testing::DialogUnderTest {
  Q_OBJECT

 private:
  QStringList Keywords() {
    QStringList out;
    for (int n = 1; n <= 16; ++n) out << Text(control::Keyword(n));
    return out;
  }
  void TypeLetters() {
    for (int n = 1; n <= 16; ++n) Type(control::Keyword(n), QString(QChar('a' + n - 1)));
  }

 private slots:
  void init() { OpenDialog(); }
  void cleanup() { CloseDialog(); }

  void uppercaseChangesKeywordsAndExtraKeywordsOnly() {
    Type(control::Title, "my page");
    Type(control::Keyword(1), "web design 2001");
    Type(control::Keyword(7), QString::fromUtf8("caf\u00e9 menu"));
    Type(control::ExtraKeywords, "red,green");
    Click(control::Uppercase);
    QCOMPARE(Text(control::Keyword(1)), QString("WEB DESIGN 2001"));
    QCOMPARE(Text(control::Keyword(7)), QString::fromUtf8("CAF\u00e9 MENU"));
    QCOMPARE(Text(control::ExtraKeywords), QString("RED,GREEN"));
    QCOMPARE(Text(control::Title), QString("my page"));
  }

  void lowercaseChangesKeywordsAndExtraKeywordsOnly() {
    Type(control::Title, "My Page");
    Type(control::Keyword(16), "HTML");
    Type(control::ExtraKeywords, "CSS, XML");
    Click(control::Lowercase);
    QCOMPARE(Text(control::Keyword(16)), QString("html"));
    QCOMPARE(Text(control::ExtraKeywords), QString("css, xml"));
    QCOMPARE(Text(control::Title), QString("My Page"));
  }

  void firstCapitolCapitalisesWords() {
    Type(control::Keyword(1), "search ENGINE");
    Type(control::Keyword(2), "x-ray");
    Type(control::Keyword(3), "red,green");
    Type(control::ExtraKeywords, "red,green, blue");
    Click(control::FirstCapitol);
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
    Click(control::Reverse);
    QCOMPARE(Text(control::Keyword(1)), QString());
    QCOMPARE(Text(control::Keyword(16)), QString("first"));
    QCOMPARE(Text(control::Keyword(15)), QString("second"));
    QCOMPARE(Text(control::ExtraKeywords), QString("extra"));
    Click(control::Reverse);
    QCOMPARE(Keywords(), before);
  }

  void randomizeShufflesWithTheTimeAsSeed() {
    TypeLetters();
    verdo::KeywordList typed;
    for (int n = 1; n <= 16; ++n) typed[static_cast<std::size_t>(n - 1)] = std::string(1, char('a' + n - 1));

    const auto start = static_cast<std::uint32_t>(std::time(nullptr));
    Click(control::Randomize);
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

  // Keywords that were moved away from the first boxes are shuffled where
  // they stand, as the same keywords in the first boxes would be.
  void randomizeShufflesKeywordsInTheLastBoxes() {
    for (int n = 1; n <= 5; ++n) Type(control::Keyword(n), QString(QChar('a' + n - 1)));
    Click(control::Reverse);  // Reverse: now in boxes 12 to 16, as e d c b a
    const QStringList reversed = QStringList(11, QString()) + QStringList{"e", "d", "c", "b", "a"};
    QCOMPARE(Keywords(), reversed);

    const auto start = static_cast<std::uint32_t>(std::time(nullptr));
    Click(control::Randomize);
    const auto end = static_cast<std::uint32_t>(std::time(nullptr));

    QCOMPARE(Keywords().mid(0, 11), QStringList(11, QString()));
    bool matched = false;
    for (std::uint32_t seed = start; seed != end + 1 && !matched; ++seed) {
      verdo::KeywordRandom random(seed);
      verdo::KeywordList first{"e", "d", "c", "b", "a"};
      QStringList expected(11, QString());
      for (const auto& k : verdo::ShuffleKeywords(first, random)) {
        if (!k.empty()) expected << QString::fromStdString(k);
      }
      matched = expected == Keywords();
    }
    QVERIFY2(matched, qPrintable(Keywords().join(' ')));
  }

  // Only the keyword boxes change; what was typed anywhere else stays,
  // read by an earlier button or not.
  void clearKeywordsKeepsEveryOtherControl() {
    Type(control::Title, "read title");
    Type(control::Keyword(4), "keyword");
    Type(control::ExtraKeywords, "a, b");
    Click(control::Lowercase);  // lowercase: reads the form
    Type(control::Title, "typed title");
    Type(control::Keyword(16), "typed keyword");
    Type(control::Copyright, "typed copyright");
    Type(control::Expires, "typed expiry");
    QTest::mouseClick(Button(control::Local), Qt::LeftButton);
    QTest::mouseClick(Button(control::NoCache), Qt::LeftButton);
    Click(control::ClearKeywords);
    QCOMPARE(Keywords(), QStringList(16, QString()));
    QCOMPARE(Text(control::ExtraKeywords), QString());
    QCOMPARE(Text(control::Title), QString("typed title"));
    QCOMPARE(Text(control::Copyright), QString("typed copyright"));
    QCOMPARE(Text(control::Expires), QString("typed expiry"));
    QVERIFY(Button(control::Local)->isChecked());
    QVERIFY(Button(control::NoCache)->isChecked());
    // The boxes take their limits as before.
    QTest::keyClicks(Edit(control::Keyword(1)), QString(25, QLatin1Char('k')));
    QCOMPARE(Text(control::Keyword(1)).size(), 20);
  }

  void clearAllChoosesGlobalAndResetsEveryField() {
    QVERIFY(!Button(control::Global)->isChecked());
    QVERIFY(!Button(control::Local)->isChecked());
    Type(control::Title, "typed title");
    Type(control::Keyword(9), "keyword");
    Type(control::Copyright, "mine");
    Click(control::Uppercase);
    QTest::mouseClick(Button(control::Local), Qt::LeftButton);
    QTest::mouseClick(Button(control::NoCache), Qt::LeftButton);
    QVERIFY(Button(control::NoCache)->isChecked());
    Click(control::ClearAll);
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
