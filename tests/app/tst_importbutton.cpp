// The Import button on the real main dialog, end to end: the notice box, the
// download of a file address into "temp.htm" and the fields filling in.
#include <qpa/qwindowsysteminterface.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <thread>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "app/ModalAnswerer.h"
#include "handlers/LoopbackServer.h"

namespace {

namespace control = verdo::control;

// A click as the window system hands it over: queued, delivered whenever the
// program next takes its input.
void QueueClick(QWidget* widget) {
  QWidget* window = widget->window();
  const QPointF local = widget->mapTo(window, QPointF(widget->rect().center()));
  const QPointF global = widget->mapToGlobal(QPointF(widget->rect().center()));
  using Queue = QWindowSystemInterface::AsynchronousDelivery;
  QWindowSystemInterface::handleMouseEvent<Queue>(window->windowHandle(), local, global, Qt::LeftButton, Qt::LeftButton,
                                                  QEvent::MouseButtonPress);
  QWindowSystemInterface::handleMouseEvent<Queue>(window->windowHandle(), local, global, Qt::NoButton, Qt::LeftButton,
                                                  QEvent::MouseButtonRelease);
}

const QString kNotice = QStringLiteral(
    "\nLoading META TAGS from the internet.\nPlease wait....\n\n"
    "Status at the top right of the main window indicates progress.");

struct Box {
  QString Caption;
  QString Text;
};

}  // namespace

class ImportButtonTest : public QObject, verdo::testing::DialogUnderTest {
  Q_OBJECT

 private:
  QTemporaryDir Folder;
  QString PreviousFolder;
  QList<Box> Boxes;
  QTimer Answerer;

  void PressImport() { Click(control::Import); }

 private slots:
  void initTestCase() {
    QVERIFY(Folder.isValid());
    // "temp.htm" is written in the current directory.
    PreviousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Folder.path()));
    // Each message box that comes up is written down and closed with OK.
    Answerer.setInterval(5);
    connect(&Answerer, &QTimer::timeout, this, [this] {
      QWidget* box = QApplication::activeModalWidget();
      const auto seen = box ? verdo::testing::SeeBox(box) : std::nullopt;
      if (!seen || !box->isVisible() || box->property("answered").toBool()) return;
      box->setProperty("answered", true);
      Boxes.append({seen->Caption, seen->Text});
      verdo::testing::AnswerBox(box);
    });
    Answerer.start();
  }
  void cleanupTestCase() { QDir::setCurrent(PreviousFolder); }

  void init() {
    Boxes.clear();
    OpenDialog();
  }
  void cleanup() { CloseDialog(); }

  void importFillsTheFieldsFromAPageOnDisk() {
    QFile page(Folder.filePath("page.htm"));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(
        "<HTML>\r\n<HEAD>\r\n<TITLE>My Page</TITLE>\r\n"
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

  // Clear All clicked and keys typed while the page drips in: none of it
  // happens, then or afterwards.
  void inputDuringTheTransferIsDropped() {
    const std::string head = "<HTML>\r\n<HEAD>\r\n<TITLE>Dripped</TITLE>\r\n";
    const std::string tail = "</HEAD>\r\n";
    verdo::testing::LoopbackServer server([&](int connection) {
      const std::string length = std::to_string(head.size() + tail.size());
      bool sent =
          verdo::testing::SendAll(connection, "HTTP/1.0 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + head);
      for (char c : tail) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        sent = sent && verdo::testing::SendAll(connection, std::string(1, c));
      }
    });
    Type(control::RedirectUrl, QString::fromStdString(server.Url("/drip.htm")));
    bool clicked = false, typed = false;
    QTimer user;
    user.setInterval(20);
    connect(&user, &QTimer::timeout, this, [&] {
      if (!Dialog->InTransfer()) return;
      if (!clicked) {
        QueueClick(verdo::testing::ControlOf<QWidget>(Dialog, control::ClearAll));
        clicked = true;
      } else if (!typed) {
        Edit(control::Author)->setFocus();
        QTest::keyClicks(Edit(control::Author), QStringLiteral("zz"));
        typed = true;
      }
    });
    user.start();

    PressImport();
    user.stop();
    // Whatever was still queued would run now.
    QTest::qWait(100);

    QVERIFY(clicked && typed);
    QCOMPARE(Edit(control::Title)->text(), QStringLiteral("Dripped"));
    QCOMPARE(Edit(control::Author)->text(), QString());
    QVERIFY(!Button(control::Global)->isChecked());
    QCOMPARE(Edit(control::Status)->text(), QStringLiteral("Done"));
    // Once the transfer is over, the window takes input again.
    Click(control::ClearAll);
    QCOMPARE(Edit(control::Title)->text(), QString());
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
