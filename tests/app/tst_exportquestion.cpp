// Export's question on the real main dialog: each answer does what it says,
// and a page of the form's own lines is exported without a question.
#include <sys/stat.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <functional>
#include <iterator>

#include "app/DialogDriver.h"
#include "app/ModalAnswerer.h"
#include "core/compose/HeadBlock.h"
#include "core/text/Text.h"
#include "platform/TextFile.h"

namespace {

std::string Bytes(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// An HTML5 page with LF line ends; its body starts on the closing head line.
const std::string kPage =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n  <meta charset=\"utf-8\">\n"
    "  <meta name=\"viewport\" content=\"width=device-width\">\n  <title>Old</title>\n"
    "  <link rel=\"stylesheet\" href=\"site.css\">\n  <script src=\"site.js\"></script>\n"
    "</head><body>\n<p>Hi</p>\n</body>\n</html>\n";

}  // namespace

class ExportQuestionTest : public QObject, verdo::testing::DialogUnderTest {
  Q_OBJECT

  // Exports into a page holding `page`; `answer` answers the question.
  std::vector<verdo::testing::SeenBox> Export(const QString& path, const std::string& page,
                                              const std::function<void(QMessageBox*)>& answer = {}) {
    std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary) << page;
    verdo::testing::ModalAnswerer answerer;
    answerer.OnDialog = [&](QWidget* w) {
      verdo::testing::TypeFileName(qobject_cast<QFileDialog*>(w), path);
      qobject_cast<QDialog*>(w)->accept();
    };
    answerer.OnBox = [&](QDialog* box) {
      if (answer) answer(qobject_cast<QMessageBox*>(box));
    };
    verdo::testing::PressButton(Dialog, verdo::control::Export);
    return answerer.Boxes;
  }

 private slots:
  void init() { OpenDialog(); }
  void cleanup() { CloseDialog(); }

  void eachAnswerDoesWhatItSays() {
    Type(verdo::control::Copyright, "2001 Garden Shop");  // ASCII: the same bytes in the page's UTF-8
    QVERIFY(Dialog->ReadForm());
    const std::string block = verdo::ComposeHeadBlock(Dialog->Form(), verdo::HeadBlockStyle::Plain);
    // Keep Them: only the title goes, the block indented as it stood, LF kept.
    std::string indented;
    for (const char c : block) indented += c == '\n' ? std::string("\n  ") : std::string(1, c);
    std::string kept = kPage;
    kept.replace(kept.find("<title>Old</title>"), 18, indented);
    const std::string all =
        verdo::LfToCrLf("<HTML>\n<HEAD>\n<meta charset=\"utf-8\">\n" + block + verdo::CreditComments() +
                        "\n</HEAD>\n<body>\n<p>Hi</p>\n</body>\n</html>\n");
    const auto click = [](const char* text) {
      return [text](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
          if (button->text() == text) button->click();
      };
    };
    const auto key = [](Qt::Key k) { return [k](QMessageBox* box) { QTest::keyClick(box, k); }; };
    QTemporaryDir folder;
    const QString path = folder.filePath("index.htm");
    const struct {
      std::function<void(QMessageBox*)> Answer;
      const std::string& Written;
      bool Rewritten;
    } cases[] = {
        {key(Qt::Key_Return), kept, true}, {click("Replace All"), all, true}, {key(Qt::Key_Escape), kPage, false}};
    for (const auto& c : cases) {
      struct stat before = {};
      struct stat after = {};
      const auto boxes = Export(path, kPage, [&](QMessageBox* box) {
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
        c.Answer(box);
      });
      QCOMPARE(Bytes(path), c.Written);
      QCOMPARE(boxes.size(), std::size_t(1));
      QCOMPARE(boxes[0].Caption, QString("Export"));
      QVERIFY(boxes[0].Text.startsWith("This page's head also holds a stylesheet link, a script, a viewport"));
      QCOMPARE(Dialog->windowTitle(), "Verdo: " + path);
      QCOMPARE(Edit(verdo::control::Status)->text(), QString("Done."));
      QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
      // Cancel doesn't even rewrite the file.
      QCOMPARE(after.st_ino != before.st_ino || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec, c.Rewritten);
    }
  }

  void sixLinePageIsExportedWithoutAQuestion() {
    const QString data = qEnvironmentVariable("VERDO_TEST_DATA");
    QVERIFY(verdo::ApplyTemplateFile((data + "/garden.tem").toStdString(), Dialog->Form()));
    Dialog->ShowForm();
    QTemporaryDir folder;
    QVERIFY(Export(folder.filePath("six.htm"), Bytes(data + "/six_lines.htm")).empty());
    QCOMPARE(Bytes(folder.filePath("six.htm")), Bytes(data + "/six_lines_exported.htm"));
  }
};

QTEST_MAIN(ExportQuestionTest)
#include "tst_exportquestion.moc"
