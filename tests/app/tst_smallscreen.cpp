// The main dialog on a 1024x600 screen in an 18-point font, in which it
// would be about twice that size: it takes the largest size of the font at
// which it fits the screen's available area.
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "app/CMetaDlg.h"
#include "app/DialogLayout.h"
#include "core/form/ControlIds.h"

using verdo::app::DialogUnits;

class SmallScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void windowTakesTheLargestFontThatFits() {
    CMetaDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QRect available = dlg.screen()->availableGeometry();
    QCOMPARE(available.size(), QSize(1024, 600));
    QVERIFY(available.contains(dlg.frameGeometry()));
    // Still in dialog units, of the smaller font; half a point more won't fit.
    QFont font = dlg.font();
    QVERIFY(font.pointSizeF() < 18);
    QCOMPARE(dlg.size(), DialogUnits(font).Size(407, 330));
    QCOMPARE(dlg.findChild<QLineEdit*>(QString::number(verdo::control::Title))->geometry(),
             DialogUnits(font).Rect(10, 10, 320, 14));
    font.setPointSizeF(font.pointSizeF() + 0.5);
    const QSize larger = DialogUnits(font).Size(407, 330);
    const QSize room = available.size() - verdo::app::kFrameRoom;
    QVERIFY(larger.width() > room.width() || larger.height() > room.height());
  }
};

int main(int argc, char** argv) {
  QTemporaryDir folder;
  QFile config(folder.filePath(QStringLiteral("screens.json")));
  if (!config.open(QIODevice::WriteOnly)) return 1;
  config.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1024, "height": 600}]})");
  config.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
  QApplication application(argc, argv);
  QFont font = QApplication::font();
  font.setPointSizeF(18);
  QApplication::setFont(font);
  SmallScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
