// The Import button on the real main dialog, end to end: the notice box, the
// download of a file address into "temp.htm" and the fields filling in.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"

namespace {

namespace control = verdo::control;

const QString kNotice = QStringLiteral(
    "\nLoading META TAGS from the internet.\nPlease wait....\n\n"
    "Status at the top right of the main window indicates progress.");

struct Box {
  QString Caption;
  QString Text;
};

}  // namespace

class ImportButtonTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir Folder;
  QString PreviousFolder;
  CMetaDlg* Dialog = nullptr;
  QList<Box> Boxes;
  QTimer Answerer;

  QLineEdit* Edit(int id) { return verdo::testing::EditOf(Dialog, id); }
  void Type(int id, const QString& text) { QCOMPARE(verdo::testing::TypeInto(Edit(id), text), text); }
  void PressImport() { verdo::testing::PressButton(Dialog, control::Import); }

 private slots:
  void initTestCase() {
    QVERIFY(Folder.isValid());
    // "temp.htm" is written in the current directory.
    PreviousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Folder.path()));
    // Each message box that comes up is written down and closed with OK.
    Answerer.setInterval(5);
    connect(&Answerer, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || box->property("answered").toBool()) return;
      box->setProperty("answered", true);
      Boxes.append({box->windowTitle(), box->text()});
      box->button(QMessageBox::Ok)->click();
    });
    Answerer.start();
  }
  void cleanupTestCase() { QDir::setCurrent(PreviousFolder); }

  void init() {
    Boxes.clear();
    Dialog = new CMetaDlg;
    Dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(Dialog));
  }
  void cleanup() {
    delete Dialog;
    Dialog = nullptr;
  }

  void importFillsTheFieldsFromAPageOnDisk() {
    QFile page(Folder.filePath("page.htm"));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<HTML>\r\n<HEAD>\r\n<TITLE>My Page</TITLE>\r\n"
               "<META NAME=\"Description\" CONTENT=\"About me\">\r\n</HEAD>\r\n"
               "<META NAME=\"author\" CONTENT=\"not read\">\r\n");
    page.close();
    const QString address = QStringLiteral("file://") + page.fileName();
    Type(control::RedirectUrl, address);
    Type(control::Author, QStringLiteral("Ann"));

    PressImport();

    QCOMPARE(Boxes.size(), 1);
    QCOMPARE(Boxes[0].Caption, QStringLiteral("Import HTML Page"));
    QCOMPARE(Boxes[0].Text, address + kNotice);
    QCOMPARE(Edit(control::Title)->text(), QStringLiteral("My Page"));
    QCOMPARE(Edit(control::Description)->text(), QStringLiteral("About me"));
    QCOMPARE(Edit(control::Author)->text(), QStringLiteral("Ann"));
    QCOMPARE(Edit(control::RedirectUrl)->text(), address);
    QCOMPARE(Edit(control::Status)->text(), QStringLiteral("Done"));
    QVERIFY(QFile::exists(Folder.filePath("temp.htm")));
  }

  void aMissingPageReportsAndChangesNothing() {
    const QString address = QStringLiteral("file://") + Folder.filePath("missing.htm");
    Type(control::RedirectUrl, address);
    Type(control::Title, QStringLiteral("Kept"));

    PressImport();

    QCOMPARE(Boxes.size(), 2);
    QCOMPARE(Boxes[0].Caption, QStringLiteral("Import HTML Page"));
    QCOMPARE(Boxes[1].Caption, QStringLiteral("Import HTML"));
    QCOMPARE(Boxes[1].Text, QStringLiteral("Error Opening File"));
    QCOMPARE(Edit(control::Title)->text(), QStringLiteral("Kept"));
    QCOMPARE(Edit(control::Status)->text(), QStringLiteral("Done."));
  }
};

QTEST_MAIN(ImportButtonTest)
#include "tst_importbutton.moc"
