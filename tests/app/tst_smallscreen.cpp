// The main dialog on a small screen in a large font: it is laid out in the
// largest size of that font at which it fits the screen's available area.
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "app/CMetaDlg.h"
#include "app/DialogLayout.h"
#include "core/form/ControlIds.h"

using verdo::app::DialogUnits;
using verdo::app::MainDialogLayout;

class SmallScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void windowTakesTheLargestFontThatFits() {
    CMetaDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QRect available = dlg.screen()->availableGeometry();
    QCOMPARE(available.size(), QSize(1024, 600));
    QVERIFY2(available.contains(dlg.frameGeometry()), "the whole window is on the screen");
    // Still in dialog units, of the smaller font.
    const QFont font = dlg.font();
    QVERIFY(font.pointSizeF() < 18);
    const DialogUnits units(font);
    QCOMPARE(dlg.size(), units.Size(407, 330));
    QCOMPARE(dlg.findChild<QLineEdit*>(QString::number(verdo::control::Title))->geometry(),
             units.Rect(10, 10, 320, 14));
    // Half a point more would not fit.
    QFont larger = font;
    larger.setPointSizeF(font.pointSizeF() + 0.5);
    const QSize room = available.size() - verdo::app::kFrameRoom;
    QVERIFY(!QRect(QPoint(), room).contains(QRect(QPoint(), DialogUnits(larger).Size(407, 330))));
  }

  void aFontThatFitsIsKept() {
    const QFont font = QApplication::font();
    QCOMPARE(verdo::app::FontThatFits(font, MainDialogLayout(), QSize(4000, 4000)), font);
    QFont pixels;
    pixels.setPixelSize(40);
    const QFont fitted = verdo::app::FontThatFits(pixels, MainDialogLayout(), QSize(1024, 600));
    QVERIFY(fitted.pixelSize() < 40);
    QVERIFY(DialogUnits(fitted).Size(407, 330).height() <= 600);
  }
};

// A 1024x600 screen, and an 18-point font in which the dialog would be about
// twice that size.
int main(int argc, char** argv) {
  QTemporaryDir folder;
  const QString config = folder.filePath(QStringLiteral("screens.json"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return 1;
  file.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1024, "height": 600,
                               "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
  QApplication application(argc, argv);
  QFont font = QApplication::font();
  font.setPointSizeF(18);
  QApplication::setFont(font);
  SmallScreenTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
