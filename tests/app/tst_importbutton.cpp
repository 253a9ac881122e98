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
#include <qpa/qwindowsysteminterface.h>

#include <chrono>
#include <thread>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "app/ModalAnswerer.h"
#include "handlers/LoopbackServer.h"

namespace {

constexpr int kImport = 1005;
constexpr int kTitle = 1010;
constexpr int kDescription = 1031;
constexpr int kAuthor = 1029;
constexpr int kRedirectUrl = 1045;
constexpr int kStatus = 1052;
constexpr int kClearAll = 1050;
constexpr int kGlobal = 1035;

// A click as the window system hands it over: queued, delivered whenever the
// program next takes its input.
void QueueClick(QWidget* widget) {
  QWidget* window = widget->window();
  const QPointF local = widget->mapTo(window, QPointF(widget->rect().center()));
  const QPointF global = widget->mapToGlobal(QPointF(widget->rect().center()));
  using Queue = QWindowSystemInterface::AsynchronousDelivery;
  QWindowSystemInterface::handleMouseEvent<Queue>(window->windowHandle(), local, global, Qt::LeftButton,
                                                  Qt::LeftButton, QEvent::MouseButtonPress);
  QWindowSystemInterface::handleMouseEvent<Queue>(window->windowHandle(), local, global, Qt::NoButton,
                                                  Qt::LeftButton, QEvent::MouseButtonRelease);
}

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
  void PressImport() { verdo::testing::PressButton(Dialog, kImport); }

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
    Type(kRedirectUrl, address);
    Type(kAuthor, QStringLiteral("Ann"));

    PressImport();

    QCOMPARE(Boxes.size(), 1);
    QCOMPARE(Boxes[0].Caption, QStringLiteral("Import HTML Page"));
    QCOMPARE(Boxes[0].Text, address + kNotice);
    QCOMPARE(Edit(kTitle)->text(), QStringLiteral("My Page"));
    QCOMPARE(Edit(kDescription)->text(), QStringLiteral("About me"));
    QCOMPARE(Edit(kAuthor)->text(), QStringLiteral("Ann"));
    QCOMPARE(Edit(kRedirectUrl)->text(), address);
    QCOMPARE(Edit(kStatus)->text(), QStringLiteral("Done"));
    QVERIFY(QFile::exists(Folder.filePath("temp.htm")));
  }

  // Clear All clicked and keys typed while the page drips in: none of it
  // happens, then or afterwards.
  void inputDuringTheTransferIsDropped() {
    const std::string head = "<HTML>\r\n<HEAD>\r\n<TITLE>Dripped</TITLE>\r\n";
    const std::string tail = "</HEAD>\r\n";
    verdo::testing::LoopbackServer server([&](int connection) {
      const std::string length = std::to_string(head.size() + tail.size());
      bool sent = verdo::testing::SendAll(connection, "HTTP/1.0 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + head);
      for (char c : tail) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        sent = sent && verdo::testing::SendAll(connection, std::string(1, c));
      }
    });
    Type(kRedirectUrl, QString::fromStdString(server.Url("/drip.htm")));
    bool clicked = false, typed = false;
    QTimer user;
    user.setInterval(20);
    connect(&user, &QTimer::timeout, this, [&] {
      if (!Dialog->InTransfer()) return;
      if (!clicked) {
        QueueClick(verdo::testing::ControlOf<QWidget>(Dialog, kClearAll));
        clicked = true;
      } else if (!typed) {
        Edit(kAuthor)->setFocus();
        QTest::keyClicks(Edit(kAuthor), QStringLiteral("zz"));
        typed = true;
      }
    });
    user.start();

    PressImport();
    user.stop();
    // Whatever was still queued would run now.
    QTest::qWait(100);

    QVERIFY(clicked && typed);
    QCOMPARE(Edit(kTitle)->text(), QStringLiteral("Dripped"));
    QCOMPARE(Edit(kAuthor)->text(), QString());
    QVERIFY(!verdo::testing::ControlOf<QAbstractButton>(Dialog, kGlobal)->isChecked());
    QCOMPARE(Edit(kStatus)->text(), QStringLiteral("Done"));
    // Once the transfer is over, the window takes input again.
    verdo::testing::PressButton(Dialog, kClearAll);
    QCOMPARE(Edit(kTitle)->text(), QString());
  }

  void aMissingPageReportsAndChangesNothing() {
    const QString address = QStringLiteral("file://") + Folder.filePath("missing.htm");
    Type(kRedirectUrl, address);
    Type(kTitle, QStringLiteral("Kept"));

    PressImport();

    QCOMPARE(Boxes.size(), 2);
    QCOMPARE(Boxes[0].Caption, QStringLiteral("Import HTML Page"));
    QCOMPARE(Boxes[1].Caption, QStringLiteral("Import HTML"));
    QCOMPARE(Boxes[1].Text, QStringLiteral("Error Opening File"));
    QCOMPARE(Edit(kTitle)->text(), QStringLiteral("Kept"));
    QCOMPARE(Edit(kStatus)->text(), QStringLiteral("Done."));
  }
};

QTEST_MAIN(ImportButtonTest)
#include "tst_importbutton.moc"
