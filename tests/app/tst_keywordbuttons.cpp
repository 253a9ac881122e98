// The keyword tools and Clear All, pressed on the real main dialog.
#include <QAbstractButton>
#include <QLineEdit>
#include <QtTest>

#include <cstdint>
#include <ctime>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "core/keywords/KeywordTools.h"

namespace {

constexpr int kTitle = 1010;
constexpr int kExtraKeywords = 1028;
constexpr int kCopyright = 1030;
constexpr int kGlobal = 1035;
constexpr int kLocal = 1036;
constexpr int kNoCache = 1034;
constexpr int kExpires = 1037;

int KeywordBox(int n) { return 1011 + n; }

}  // namespace

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
    for (int n = 1; n <= 16; ++n) out << Text(KeywordBox(n));
    return out;
  }
  void TypeLetters() {
    for (int n = 1; n <= 16; ++n) Type(KeywordBox(n), QString(QChar('a' + n - 1)));
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
    Type(kTitle, "my page");
    Type(KeywordBox(1), "web design 2001");
    Type(KeywordBox(7), QString::fromUtf8("caf\u00e9 menu"));
    Type(kExtraKeywords, "red,green");
    Press(1001);
    QCOMPARE(Text(KeywordBox(1)), QString("WEB DESIGN 2001"));
    QCOMPARE(Text(KeywordBox(7)), QString::fromUtf8("CAF\u00e9 MENU"));
    QCOMPARE(Text(kExtraKeywords), QString("RED,GREEN"));
    QCOMPARE(Text(kTitle), QString("my page"));
  }

  void lowercaseChangesKeywordsAndExtraKeywordsOnly() {
    Type(kTitle, "My Page");
    Type(KeywordBox(16), "HTML");
    Type(kExtraKeywords, "CSS, XML");
    Press(1002);
    QCOMPARE(Text(KeywordBox(16)), QString("html"));
    QCOMPARE(Text(kExtraKeywords), QString("css, xml"));
    QCOMPARE(Text(kTitle), QString("My Page"));
  }

  void firstCapitolCapitalisesWords() {
    Type(KeywordBox(1), "search ENGINE");
    Type(KeywordBox(2), "x-ray");
    Type(KeywordBox(3), "red,green");
    Type(kExtraKeywords, "red,green, blue");
    Press(1032);
    QCOMPARE(Text(KeywordBox(1)), QString("Search Engine"));
    QCOMPARE(Text(KeywordBox(2)), QString("X-ray"));
    QCOMPARE(Text(KeywordBox(3)), QString("Red,green"));
    QCOMPARE(Text(kExtraKeywords), QString("Red,Green, Blue"));
  }

  void reverseSwapsTheBoxesAndTwiceRestores() {
    Type(KeywordBox(1), "first");
    Type(KeywordBox(2), "second");
    Type(kExtraKeywords, "extra");
    const QStringList before = Keywords();
    Press(1043);
    QCOMPARE(Text(KeywordBox(1)), QString());
    QCOMPARE(Text(KeywordBox(16)), QString("first"));
    QCOMPARE(Text(KeywordBox(15)), QString("second"));
    QCOMPARE(Text(kExtraKeywords), QString("extra"));
    Press(1043);
    QCOMPARE(Keywords(), before);
  }

  void randomizeShufflesWithTheTimeAsSeed() {
    TypeLetters();
    verdo::KeywordList typed;
    for (int n = 1; n <= 16; ++n) typed[static_cast<std::size_t>(n - 1)] = std::string(1, char('a' + n - 1));

    const auto start = static_cast<std::uint32_t>(std::time(nullptr));
    Press(1003);
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
    for (int n = 1; n <= 5; ++n) Type(KeywordBox(n), QString(QChar('a' + n - 1)));
    Press(1043);  // Reverse: now in boxes 12 to 16, as e d c b a
    const QStringList reversed = QStringList(11, QString()) + QStringList{"e", "d", "c", "b", "a"};
    QCOMPARE(Keywords(), reversed);

    const auto start = static_cast<std::uint32_t>(std::time(nullptr));
    Press(1003);
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
    Type(kTitle, "read title");
    Type(KeywordBox(4), "keyword");
    Type(kExtraKeywords, "a, b");
    Press(1002);  // lowercase: reads the form
    Type(kTitle, "typed title");
    Type(KeywordBox(16), "typed keyword");
    Type(kCopyright, "typed copyright");
    Type(kExpires, "typed expiry");
    QTest::mouseClick(Button(kLocal), Qt::LeftButton);
    QTest::mouseClick(Button(kNoCache), Qt::LeftButton);
    Press(1051);
    QCOMPARE(Keywords(), QStringList(16, QString()));
    QCOMPARE(Text(kExtraKeywords), QString());
    QCOMPARE(Text(kTitle), QString("typed title"));
    QCOMPARE(Text(kCopyright), QString("typed copyright"));
    QCOMPARE(Text(kExpires), QString("typed expiry"));
    QVERIFY(Button(kLocal)->isChecked());
    QVERIFY(Button(kNoCache)->isChecked());
    // The boxes take their limits as before.
    QTest::keyClicks(Edit(KeywordBox(1)), QString(25, QLatin1Char('k')));
    QCOMPARE(Text(KeywordBox(1)).size(), 20);
  }

  void clearAllChoosesGlobalAndResetsEveryField() {
    QVERIFY(!Button(kGlobal)->isChecked());
    QVERIFY(!Button(kLocal)->isChecked());
    Type(kTitle, "typed title");
    Type(KeywordBox(9), "keyword");
    Type(kCopyright, "mine");
    Press(1001);
    QTest::mouseClick(Button(kLocal), Qt::LeftButton);
    QTest::mouseClick(Button(kNoCache), Qt::LeftButton);
    QVERIFY(Button(kNoCache)->isChecked());
    Press(1050);
    QCOMPARE(Text(kTitle), QString());
    QCOMPARE(Keywords(), QStringList(16, QString()));
    QCOMPARE(Text(kCopyright), QString::fromUtf8("Copyright \u00a9 2000"));
    QVERIFY(Button(kGlobal)->isChecked());
    QVERIFY(!Button(kLocal)->isChecked());
    QVERIFY(!Button(kNoCache)->isChecked());
  }
};

QTEST_MAIN(KeywordButtonsTest)
#include "tst_keywordbuttons.moc"
