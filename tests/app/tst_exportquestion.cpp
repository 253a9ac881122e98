// Export's question on the real main dialog: a page whose head holds more
// than the form owns is asked about, and each answer does what it says; a
// page of the form's own lines is exported without a question.
#include <sys/stat.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "app/ModalAnswerer.h"
#include "core/compose/HeadBlock.h"
#include "core/text/Text.h"

namespace {

namespace control = verdo::control;

std::string Bytes(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Put(const QString& path, const std::string& bytes) {
  std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary) << bytes;
}

std::string TestData(const char* name) { return Bytes(qEnvironmentVariable("VERDO_TEST_DATA") + "/" + name); }

// An HTML5 page with LF line ends; its body starts on the closing head line.
const std::string kPage =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n  <meta charset=\"utf-8\">\n"
    "  <meta name=\"viewport\" content=\"width=device-width\">\n  <title>Old</title>\n"
    "  <link rel=\"stylesheet\" href=\"site.css\">\n  <script src=\"site.js\"></script>\n"
    "</head><body>\n<p>Hi</p>\n</body>\n</html>\n";

}  // namespace

class ExportQuestionTest : public QObject, verdo::testing::DialogUnderTest {
  Q_OBJECT

 private:
  QTemporaryDir Folder;
  QString Page;
  std::vector<verdo::testing::SeenBox> Boxes;

  // Presses `id` and chooses `file` in its file dialog; `answer` answers the
  // first message box.
  void Press(int id, const QString& file, const std::function<void(QMessageBox*)>& answer = {}) {
    verdo::testing::ModalAnswerer answerer;
    answerer.OnDialog = [&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      QVERIFY(dialog);
      dialog->selectFile(file);
      static_cast<QDialog*>(dialog)->accept();
    };
    answerer.OnBox = [&](QDialog* box) {
      if (answer) answer(qobject_cast<QMessageBox*>(box));
    };
    verdo::testing::PressButton(Dialog, id);
    Boxes = answerer.Boxes;
  }
  std::string Block() const { return verdo::ComposeHeadBlock(Dialog->Form(), verdo::HeadBlockStyle::Plain); }

  // The question came, as it should look, and the window shows the path and "Done.".
  void CheckAsked() {
    QCOMPARE(Boxes.size(), std::size_t(1));
    QCOMPARE(Boxes[0].Caption, QString("Export"));
    QCOMPARE(Boxes[0].Text, QString("This page's head also holds a stylesheet link, a script, a viewport line, a "
                                    "document type line and an attribute on the html tag. Export replaces the "
                                    "whole head."));
    QCOMPARE(Boxes[0].ButtonCount, qsizetype(3));
    QCOMPARE(Dialog->windowTitle(), "Verdo: " + Page);
    QCOMPARE(Edit(control::Status)->text(), QString("Done."));
  }

 private slots:
  void init() {
    QVERIFY(Folder.isValid());
    Page = Folder.filePath("index.htm");
    Put(Page, kPage);
    OpenDialog();
    Type(control::Title, "New");
    Type(control::Copyright, "2001 Garden Shop");  // ASCII: the same bytes in the page's UTF-8
  }
  void cleanup() { CloseDialog(); }

  // Enter takes "Keep Them": only the title changes, in the page's LF line ends.
  void keepThemReplacesOnlyTheFormsOwnElements() {
    Press(control::Export, Page, [](QMessageBox* box) {
      QCOMPARE(box->defaultButton()->text(), QString("Keep Them"));
      QTest::keyClick(box, Qt::Key_Return);
    });
    CheckAsked();
    std::string expected = kPage;
    std::string block = Block();
    for (std::size_t at = 0; (at = block.find('\n', at)) != std::string::npos; at += 3) block.insert(at + 1, "  ");
    expected.replace(expected.find("<title>Old</title>"), 18, block);
    QCOMPARE(Bytes(Page), expected);
  }

  // The specified Export: the whole head replaced, CR LF throughout, and the
  // body that shared the closing line kept.
  void replaceAllReplacesTheWholeHead() {
    Press(control::Export, Page, [](QMessageBox* box) {
      for (QAbstractButton* button : box->buttons())
        if (button->text() == "Replace All") button->click();
    });
    CheckAsked();
    QCOMPARE(Bytes(Page),
             verdo::LfToCrLf("<HTML>\n<HEAD>\n<meta charset=\"utf-8\">\n" + Block() + verdo::CreditComments() +
                             "\n</HEAD>\n<body>\n<p>Hi</p>\n</body>\n</html>\n"));
  }

  // Escape cancels: the file is not even rewritten.
  void cancelLeavesThePageAlone() {
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(Page).constData(), &before), 0);
    Press(control::Export, Page, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    CheckAsked();
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(Page).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    QCOMPARE(Bytes(Page), kPage);
  }

  // The six-line page holds nothing the form doesn't own: no question.
  void sixLinePageIsExportedWithoutAQuestion() {
    Press(control::Load, QString::fromLocal8Bit(qgetenv("VERDO_TEST_DATA")) + "/garden.tem");
    Put(Page, TestData("six_lines.htm"));
    Press(control::Export, Page);
    QVERIFY(Boxes.empty());
    QCOMPARE(Bytes(Page), TestData("six_lines_exported.htm"));
  }
};

QTEST_MAIN(ExportQuestionTest)
#include "tst_exportquestion.moc"
