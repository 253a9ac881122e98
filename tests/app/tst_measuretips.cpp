// The Title and Description boxes' tooltips follow what the user types:
// length in characters, width in pixels against the width search results cut at.
#include <QLineEdit>
#include <QtTest>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "platform/TextWidth.h"

class MeasureTipsTest : public QObject {
  Q_OBJECT
 private slots:
  void followTyping() {
    CMetaDlg dialog;
    QLineEdit* title = verdo::testing::EditOf(&dialog, verdo::control::Title);
    QLineEdit* description = verdo::testing::EditOf(&dialog, verdo::control::Description);
    const auto px = [](const char* text, double size) { return qRound(*verdo::TextWidth(text, size)); };

    verdo::testing::TypeInto(title, QString(31, QLatin1Char('W')));
    QCOMPARE(title->toolTip(), QStringLiteral("Title: 31 characters, %1 px of 580 px: search results cut it")
                                   .arg(px("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 20)));
    // A reference counts as the character a browser shows.
    verdo::testing::TypeInto(title, QStringLiteral("Caf\u017C  shop"));
    QCOMPARE(title->text(), QStringLiteral("Caf&#380;  shop"));
    QCOMPARE(title->toolTip(), QStringLiteral("Title: 9 characters, %1 px of 580 px").arg(px("Caf\xC5\xBC shop", 20)));
    verdo::testing::TypeInto(description, QStringLiteral("iii"));
    QCOMPARE(description->toolTip(), QStringLiteral("Description: 3 characters, %1 px of 920 px").arg(px("iii", 14)));
  }
};

QTEST_MAIN(MeasureTipsTest)
#include "tst_measuretips.moc"
