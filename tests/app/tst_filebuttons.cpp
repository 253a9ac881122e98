// Export, Generate, Preview (trap page), Save and Load pressed on the real
// main dialog, the file dialogs answered as a user would.
#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>
#include <string>

#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "app/FieldEdit.h"
#include "app/ModalAnswerer.h"
#include "core/compose/HeadBlock.h"
#include "core/compose/TrapPage.h"
#include "core/templates/Template.h"
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

}  // namespace

class FileButtonsTest : public QObject, verdo::testing::DialogUnderTest {
  Q_OBJECT

 private:
  QTemporaryDir Folder;

  QString Path(const QString& name) { return Folder.filePath(name); }

  // Presses the button; the file dialog that opens (in `mode`) is answered
  // with `file`, or cancelled when it is empty. Boxes: the message boxes seen.
  std::vector<verdo::testing::SeenBox> Boxes;
  void Press(int id, const QString& file = {}, QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen,
             bool expectDialog = true) {
    verdo::testing::ModalAnswerer answerer;
    int dialogs = 0;
    bool rightMode = true;
    answerer.OnDialog = [&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (!dialog) qFatal("not a file dialog: %s", w->metaObject()->className());
      ++dialogs;
      rightMode = rightMode && dialog->acceptMode() == mode;
      if (file.isEmpty()) {
        dialog->reject();
      } else {
        verdo::testing::TypeFileName(dialog, file);
        static_cast<QDialog*>(dialog)->accept();  // as the Open or Save button does
      }
    };
    verdo::testing::PressButton(Dialog, id);
    Boxes = answerer.Boxes;
    QCOMPARE(dialogs, expectDialog ? 1 : 0);
    QVERIFY(rightMode);
  }
  QString Caption(const QString& path) { return "Verdo: " + path; }

 private slots:
  void init() {
    QVERIFY(Folder.isValid());
    OpenDialog();
  }
  void cleanup() { CloseDialog(); }

  void saveWritesTheFormAndLoadReadsItBack() {
    Type(control::Title, "Garden Tools");
    const QString path = Path("form.tem");
    Press(control::Save, path, QFileDialog::AcceptSave);
    QVERIFY(Boxes.empty());
    QCOMPARE(Dialog->windowTitle(), Caption(path));
    verdo::MetaTagForm expected;
    expected.Title = "Garden Tools";
    QCOMPARE(Bytes(path), verdo::LfToCrLf(verdo::FormatTemplate(expected)));

    Type(control::Title, "changed");
    Put(path, "TITLE=Loaded\r\nKW2=two\r\n");
    Press(control::Load, path);
    QVERIFY(Boxes.empty());
    QCOMPARE(Edit(control::Title)->text(), QString("Loaded"));
    QCOMPARE(Edit(control::Keyword(2))->text(), QString("two"));
    QCOMPARE(Dialog->windowTitle(), Caption(path));
  }

  void loadOfAMissingFileSaysSo() {
    const QString path = Path("missing.tem");
    Press(control::Load, path);
    const auto& boxes = Boxes;
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].Caption, QString("Load Template"));
    QCOMPARE(boxes[0].Text, QString("Error Opening File"));
    QCOMPARE(boxes[0].ButtonCount, qsizetype(1));
    QCOMPARE(boxes[0].Icon, QMessageBox::NoIcon);
  }

  void exportReplacesTheHeadSectionOfAPage() {
    Type(control::Title, "New Title");
    const QString page = Path("index.htm");
    Put(page, "<HTML>\r\n<HEAD>\r\n<TITLE>Old</TITLE>\r\n</HEAD>\r\n<BODY>Hi</BODY>\r\n</HTML>\r\n");
    Press(control::Export, page);
    QVERIFY(Boxes.empty());
    QCOMPARE(Dialog->windowTitle(), Caption(page));
    QCOMPARE(Edit(control::Status)->text(), QString("Done."));
    QCOMPARE(Dialog->Form().Title, std::string("New Title"));
    const std::string block = verdo::ComposeHeadBlock(Dialog->Form(), verdo::HeadBlockStyle::Plain);
    QCOMPARE(Bytes(page), verdo::LfToCrLf("<HTML>\n<HEAD>\n" + block + verdo::CreditComments() +
                                          "\n</HEAD>\n<BODY>Hi</BODY>\n</HTML>\n"));
  }

  void exportCancelledWritesNothing() {
    Press(control::Export);
    const auto& boxes = Boxes;
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].Caption, QString("Save Template"));
    QCOMPARE(boxes[0].Text, QString("Error Saving File"));
    QCOMPARE(Dialog->windowTitle(), QString("Verdo"));
  }

  void generateWritesTheTrapPageAndPreviewShowsIt() {
    Type(control::Title, "Trap");
    const QString page = Path("trap.htm");
    Press(control::Generate, page, QFileDialog::AcceptSave);
    QVERIFY(Boxes.empty());
    QCOMPARE(Dialog->windowTitle(), Caption(page));
    QCOMPARE(Bytes(page), verdo::LfToCrLf(verdo::ComposeTrapPage(Dialog->Form(), true)));

    Press(control::TrapPreview, {}, QFileDialog::AcceptOpen, false);
    const auto& boxes = Boxes;
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].Caption, QString("Preview Trap"));
    QCOMPARE(boxes[0].Text, verdo::app::QStringFromCp1252(verdo::ComposeTrapPage(Dialog->Form(), false)));
  }
};

QTEST_MAIN(FileButtonsTest)
#include "tst_filebuttons.moc"
