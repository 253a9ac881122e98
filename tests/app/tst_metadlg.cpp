// The real main dialog under the offscreen platform: its layout, the form
// at start, typing limits, the limit-check failure, the ways it ends, and
// the Preview, Totals, Help and About commands.
#include <qpa/qplatformwindow.h>
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "app/AppStrings.h"
#include "app/CAboutDlg.h"
#include "app/CMetaDlg.h"
#include "app/DialogDriver.h"
#include "app/DialogLayout.h"
#include "app/FieldEdit.h"
#include "app/HelpPage.h"
#include "app/MessageBox.h"
#include "app/ModalAnswerer.h"
#include "core/Product.h"
#include "core/compose/CharacterTotals.h"
#include "core/compose/HeadBlock.h"
#include "core/form/MetaTagForm.h"

using verdo::app::CFieldEdit;
using verdo::app::ControlKind;
using verdo::app::QStringFromCp1252;
using verdo::testing::ModalAnswerer;

namespace {

namespace control = verdo::control;

template <class T = QWidget>
T* Control(const QWidget& dialog, int id) {
  return dialog.findChild<T*>(QString::number(id));
}

QLineEdit* EditOf(const QWidget& dialog, int id) { return verdo::testing::EditOf(&dialog, id); }

// Types where the cursor is, whatever the box holds.
using verdo::testing::SendKeys;

// A control's rectangle in the dialog, whatever box it stands in.
QRect InDialog(const QWidget& dialog, const QWidget& widget) {
  return QRect(widget.mapTo(&dialog, QPoint(0, 0)), widget.size());
}

// The page in the source tree, found from the tests' own data folder.
QString SourceHelpPage() {
  return QDir::cleanPath(qEnvironmentVariable("VERDO_TEST_DATA") + QStringLiteral("/../../res/help/help.html"));
}

class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> Opened;
 public slots:
  void Open(const QUrl& url) { Opened.push_back(url); }
};

}  // namespace

class MetaDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void formAtStartOnScreen();
  void layoutFollowsTheTable();
  void tabOrderIsTheTableOrder();
  void dialogUnitsRoundLikeThePlatform_data();
  void dialogUnitsRoundLikeThePlatform();
  void typingStopsAtTheFieldsLimit_data();
  void typingStopsAtTheFieldsLimit();
  void longerTextFromShowFormShowsWhole();
  void charactersOutsideWindows1252GoInAsReferences();
  void referencesCountAgainstTheLimit();
  void pasteKeepsWhatFitsTheLimit();
  void pasteIsCutAtItsFirstLineBreak();
  void readFormCarriesBytesFlagsAndRadios();
  void showFormClearsBothRadiosForNone();
  void overlongDescriptionStopsTheExchange();
  void enterInTitleEndsTheDialog();
  void enterOnAPushButtonPressesIt();
  void escapeExitAndCloseEndWithoutReading_data();
  void escapeExitAndCloseEndWithoutReading();
  void attachedAutomationObjectHidesInsteadOfEnding();
  void closeRequestDuringATransferIsRefused();
  void previewShowsTheHeadBlockCaptionedWithTheTitle();
  void previewOfAnEmptyTitleHasAnEmptyCaption();
  void totalsShowsTheCounts();
  void screenReadersGetNamesAndGroups();
  void helpOpensTheHelpPage();
  void helpPrefersTheInstalledPage();
  void previewBoxFitsTheScreenAndItsTextCopies();
  void longMessagesScrollInsideTheScreen();
  void shortMessagesShowWhole();
  void messageBoxesAreAsWideAsTheirCaption_data();
  void messageBoxesAreAsWideAsTheirCaption();
  void windowMenuOpensTheAboutBox();
  void aboutBoxFollowsItsTable();
  void chooseFileReturnsPathAndExtension();
  void setCaptionSetsTheWindowTitle();
};

void MetaDlgTest::formAtStartOnScreen() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Verdo"));
  QVERIFY(!dlg.windowIcon().isNull());
  QVERIFY(!(dlg.windowFlags() & Qt::WindowMaximizeButtonHint));
  QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
  for (const verdo::FormField& field : verdo::FormFields()) {
    if (field.Kind == verdo::FieldKind::Text) {
      const QString expected =
          field.ControlId == control::Copyright ? QStringLiteral("Copyright \u00A9 2000") : QString();
      QCOMPARE(EditOf(dlg, field.ControlId)->text(), expected);
    } else if (field.Kind == verdo::FieldKind::Flag) {
      QVERIFY(!Control<QCheckBox>(dlg, field.ControlId)->isChecked());
    }
  }
  QVERIFY(!Control<QRadioButton>(dlg, control::Global)->isChecked());
  QVERIFY(!Control<QRadioButton>(dlg, control::Local)->isChecked());
  QCOMPARE(EditOf(dlg, control::Status)->text(), QString());
  QVERIFY(EditOf(dlg, control::Status)->isReadOnly());
  QCOMPARE(dlg.focusWidget(), Control(dlg, control::Title));
  // No default button, and none that becomes one by taking the focus.
  for (QPushButton* button : dlg.findChildren<QPushButton*>()) {
    QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
  }
  QVERIFY(Control(dlg, control::Help)->isVisible());
}

void MetaDlgTest::layoutFollowsTheTable() {
  CMetaDlg dlg;
  const verdo::app::DialogUnits units(dlg.font());
  const auto& layout = verdo::app::MainDialogLayout();
  QCOMPARE(dlg.size(), units.Size(layout.Width, layout.Height));
  QSet<int> ids;
  for (const verdo::app::DialogItem& item : layout.Items) {
    const QRect rect = units.Rect(item.X, item.Y, item.Width, item.Height);
    const QString text = QString::fromUtf8(item.Text);
    if (item.Id != verdo::app::kStaticId) {
      QVERIFY2(!ids.contains(item.Id), "ids are unique");
      ids.insert(item.Id);
      QWidget* widget = Control(dlg, item.Id);
      QVERIFY2(widget, qPrintable(QString::number(item.Id)));
      QCOMPARE(InDialog(dlg, *widget), rect);
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), text);
      continue;
    }
    // Static items: a label, group box or picture with that rectangle and text.
    bool found = false;
    for (QWidget* widget : dlg.findChildren<QWidget*>()) {
      if (InDialog(dlg, *widget) != rect) continue;
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        found = item.Kind == ControlKind::Picture ? !label->pixmap().isNull() : label->text() == text;
      } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        found = box->title() == text;
      }
      if (found) break;
    }
    QVERIFY2(found, item.Text);
  }
  // Every field of the form has its control, of the right kind.
  for (const verdo::FormField& field : verdo::FormFields()) {
    QWidget* widget = Control(dlg, field.ControlId);
    QVERIFY2(widget, field.Name);
    switch (field.Kind) {
      case verdo::FieldKind::Text: QVERIFY(qobject_cast<CFieldEdit*>(widget)); break;
      case verdo::FieldKind::Flag: QVERIFY(qobject_cast<QCheckBox*>(widget)); break;
      case verdo::FieldKind::Radio: QVERIFY(qobject_cast<QRadioButton*>(widget)); break;
    }
  }
  QVERIFY(qobject_cast<QRadioButton*>(Control(dlg, control::Local)));
  // Keyword N sits in row (N-1)/4, column (N-1)%4 of the grid.
  for (int n = 1; n <= 16; ++n) {
    const QRect rect = Control(dlg, control::Keyword(n))->geometry();
    const QRect first = Control(dlg, control::Keyword(1 + (n - 1) / 4 * 4))->geometry();
    QCOMPARE(rect.y(), first.y());
    if ((n - 1) % 4 > 0) QVERIFY(rect.x() > Control(dlg, control::Keyword(n - 1))->geometry().x());
  }
}

void MetaDlgTest::tabOrderIsTheTableOrder() {
  CMetaDlg dlg;
  QStringList expected;
  for (const verdo::app::DialogItem& item : verdo::app::MainDialogLayout().Items) {
    if (item.Id != verdo::app::kStaticId) expected << QString::number(item.Id);
  }
  QStringList actual;
  QWidget* widget = Control(dlg, control::Title);
  do {
    if (widget->focusPolicy() & Qt::TabFocus) actual << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != Control(dlg, control::Title) && actual.size() < 100);
  QCOMPARE(actual, expected);
}

void MetaDlgTest::dialogUnitsRoundLikeThePlatform_data() {
  QTest::addColumn<int>("baseWidth");
  QTest::addColumn<int>("baseHeight");
  QTest::addColumn<QRect>("units");
  QTest::addColumn<QRect>("pixels");
  // MS Sans Serif 8 point: 6 by 13. Halves round up.
  QTest::newRow("dialog 102") << 6 << 13 << QRect(0, 0, 407, 330) << QRect(0, 0, 611, 536);
  QTest::newRow("title box") << 6 << 13 << QRect(10, 10, 320, 14) << QRect(15, 16, 480, 23);
  QTest::newRow("about ok") << 6 << 13 << QRect(178, 7, 50, 14) << QRect(267, 11, 75, 23);
  QTest::newRow("larger font") << 7 << 17 << QRect(5, 53, 330, 140) << QRect(9, 113, 578, 298);
}

void MetaDlgTest::dialogUnitsRoundLikeThePlatform() {
  QFETCH(int, baseWidth);
  QFETCH(int, baseHeight);
  QFETCH(QRect, units);
  QFETCH(QRect, pixels);
  const verdo::app::DialogUnits converter(baseWidth, baseHeight);
  QCOMPARE(converter.Rect(units.x(), units.y(), units.width(), units.height()), pixels);
}

void MetaDlgTest::typingStopsAtTheFieldsLimit_data() {
  QTest::addColumn<int>("id");
  QTest::addColumn<int>("limit");
  for (const verdo::FormField& field : verdo::FormFields()) {
    if (field.Kind == verdo::FieldKind::Text) QTest::newRow(field.Name) << field.ControlId << field.Limit;
  }
}

void MetaDlgTest::typingStopsAtTheFieldsLimit() {
  QFETCH(int, id);
  QFETCH(int, limit);
  CMetaDlg dlg;
  QLineEdit* edit = EditOf(dlg, id);
  edit->clear();
  if (limit == 0) {
    // Expires: no limit of the program's own; 300 characters go in.
    QTest::keyClicks(edit, QString(300, QLatin1Char('e')));
    QCOMPARE(edit->text().size(), 300);
    return;
  }
  QTest::keyClicks(edit, QString(limit + 5, QLatin1Char('k')));
  QCOMPARE(edit->text(), QString(limit, QLatin1Char('k')));
  // Shortening makes room again, for exactly as much.
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, QStringLiteral("yz"));
  QCOMPARE(edit->text(), QString(limit - 1, QLatin1Char('k')) + QLatin1Char('y'));
}

void MetaDlgTest::longerTextFromShowFormShowsWhole() {
  CMetaDlg dlg;
  const std::string title(100, 'T');
  dlg.Form().Title = title;
  dlg.StatusText() = std::string(25, 's');
  dlg.ShowForm();
  QLineEdit* edit = EditOf(dlg, control::Title);
  QCOMPARE(edit->text().size(), 100);
  QCOMPARE(edit->cursorPosition(), 0);  // its start shows
  QCOMPARE(EditOf(dlg, control::Status)->text().size(), 25);
  // It may get shorter, never longer.
  edit->setFocus();
  edit->end(false);
  QTest::keyClick(edit, Qt::Key_A);
  QCOMPARE(edit->text().size(), 100);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_A);
  QCOMPARE(edit->text(), QString(99, QLatin1Char('T')));
  // Typing over a selection deletes it and puts nothing in.
  edit->setSelection(0, 1);
  QTest::keyClick(edit, Qt::Key_B);
  QCOMPARE(edit->text(), QString(98, QLatin1Char('T')));
  // Shown again after a shorter value, the ordinary limit is back.
  dlg.Form().Title = "short";
  dlg.ShowForm();
  QTest::keyClicks(edit, QString(100, QLatin1Char('x')));
  QCOMPARE(edit->text().size(), 80);
}

void MetaDlgTest::charactersOutsideWindows1252GoInAsReferences() {
  CMetaDlg dlg;
  SendKeys(EditOf(dlg, control::Title), QStringLiteral("\u017C"));
  QCOMPARE(EditOf(dlg, control::Title)->text(), QStringLiteral("&#380;"));
  QLineEdit* edit = EditOf(dlg, control::Author);
  // € and ž are in Windows-1252 (0x80, 0x9E); Ж, ő and the emoji are not.
  SendKeys(edit, QStringLiteral("a\u0416b\u20ACc\u0151d\u017Ee\u00E9"));
  QCOMPARE(edit->text(), QStringLiteral("a&#1046;b\u20ACc&#337;d\u017Ee\u00E9"));
  edit->insert(QStringLiteral("\U0001F600"));
  QCOMPARE(edit->text(), QStringLiteral("a&#1046;b\u20ACc&#337;d\u017Ee\u00E9&#128512;"));
  QVERIFY(dlg.ReadForm());
  QCOMPARE(dlg.Form().Author, std::string("a&#1046;b\x80"
                                          "c&#337;d\x9E"
                                          "e\xE9&#128512;"));
}

// A reference counts with all its characters, and goes in whole or not at all.
void MetaDlgTest::referencesCountAgainstTheLimit() {
  CMetaDlg dlg;
  QLineEdit* edit = EditOf(dlg, control::Keyword(5));
  SendKeys(edit, QString(13, QLatin1Char('k')) + QStringLiteral("\u017C\u017Cz"));
  QCOMPARE(edit->text(), QString(13, QLatin1Char('k')) + QStringLiteral("&#380;z"));
  edit->clear();
  QApplication::clipboard()->setText(QStringLiteral("\u017C\u017C\u017C\u017C"));
  edit->paste();
  QCOMPARE(edit->text(), QStringLiteral("&#380;&#380;&#380;"));
  QApplication::clipboard()->setText(QStringLiteral("ab"));
  edit->paste();
  QCOMPARE(edit->text(), QStringLiteral("&#380;&#380;&#380;ab"));
}

void MetaDlgTest::pasteKeepsWhatFitsTheLimit() {
  CMetaDlg dlg;
  QLineEdit* edit = EditOf(dlg, control::Keyword(3));
  QApplication::clipboard()->setText(QString(21, QLatin1Char('p')));
  edit->paste();
  QCOMPARE(edit->text(), QString(20, QLatin1Char('p')));
  edit->setText(QString(18, QLatin1Char('a')));
  edit->setCursorPosition(9);
  QApplication::clipboard()->setText(QStringLiteral("bcdef"));
  edit->paste();
  QCOMPARE(edit->text(), QString(9, QLatin1Char('a')) + "bc" + QString(9, QLatin1Char('a')));
  QCOMPARE(edit->cursorPosition(), 11);
  // Pasting over a selection makes room first: four go, four come.
  edit->setSelection(0, 4);
  edit->paste();
  QCOMPARE(edit->text(), "bcde" + QString(5, QLatin1Char('a')) + "bc" + QString(9, QLatin1Char('a')));
  // A character Windows-1252 can't hold goes in as its reference.
  edit->clear();
  QApplication::clipboard()->setText(QStringLiteral("ok\u0416"));
  edit->paste();
  QCOMPARE(edit->text(), QStringLiteral("ok&#1046;"));
}

// The boxes are single-line: a paste keeps its first line only, wherever it
// goes, and line breaks put there by the program stay.
void MetaDlgTest::pasteIsCutAtItsFirstLineBreak() {
  CMetaDlg dlg;
  QLineEdit* edit = EditOf(dlg, control::Title);
  QApplication::clipboard()->setText(QStringLiteral("Garden\nTools\r\nX"));
  edit->paste();
  QCOMPARE(edit->text(), QStringLiteral("Garden"));
  edit->setCursorPosition(3);
  QApplication::clipboard()->setText(QStringLiteral("-x\r\ny"));
  edit->paste();
  QCOMPARE(edit->text(), QStringLiteral("Gar-xden"));
  QCOMPARE(edit->cursorPosition(), 5);

  dlg.Form().Title = "Old\rpage";
  dlg.ShowForm();
  edit->setCursorPosition(0);
  QApplication::clipboard()->setText(QStringLiteral("A\n"));
  edit->paste();
  QCOMPARE(edit->text(), QStringLiteral("AOld\rpage"));
}

void MetaDlgTest::readFormCarriesBytesFlagsAndRadios() {
  CMetaDlg dlg;
  QVERIFY(dlg.ReadForm());
  QCOMPARE(dlg.Form(), verdo::MetaTagForm{});
  QCOMPARE(dlg.Form().Distribution, int(verdo::kDistributionNone));
  SendKeys(EditOf(dlg, control::Title), QStringLiteral("Caf\u00E9"));
  QTest::keyClicks(EditOf(dlg, control::Keyword(16)), QStringLiteral("last"));
  for (int id : {control::Revisit, control::NoImageIndex}) Control<QCheckBox>(dlg, id)->setChecked(true);
  Control<QRadioButton>(dlg, control::Local)->click();
  QVERIFY(dlg.ReadForm());
  QCOMPARE(dlg.Form().Title, std::string("Caf\xE9"));
  QCOMPARE(dlg.Form().Keyword(16), std::string("last"));
  QCOMPARE(dlg.Form().Revisit, 1);
  QCOMPARE(dlg.Form().NoImageIndex, 1);
  QCOMPARE(dlg.Form().NoCache + dlg.Form().NoIndex + dlg.Form().IndexAll, 0);
  QCOMPARE(dlg.Form().Distribution, int(verdo::kDistributionLocal));
  Control<QRadioButton>(dlg, control::Global)->click();
  QVERIFY(!Control<QRadioButton>(dlg, control::Local)->isChecked());
  QVERIFY(dlg.ReadForm());
  QCOMPARE(dlg.Form().Distribution, int(verdo::kDistributionGlobal));
}

void MetaDlgTest::showFormClearsBothRadiosForNone() {
  CMetaDlg dlg;
  dlg.Form().Distribution = verdo::kDistributionGlobal;
  dlg.Form().NoIndex = 1;
  dlg.Form().Copyright.clear();
  dlg.Form().Keyword(7) = "\xA9\x80";
  dlg.ShowForm();
  QVERIFY(Control<QRadioButton>(dlg, control::Global)->isChecked());
  QVERIFY(Control<QCheckBox>(dlg, control::NoIndex)->isChecked());
  QCOMPARE(EditOf(dlg, control::Copyright)->text(), QString());
  QCOMPARE(EditOf(dlg, control::Keyword(7))->text(), QStringLiteral("\u00A9\u20AC"));
  dlg.Form().Distribution = verdo::kDistributionNone;
  dlg.Form().NoIndex = 0;
  dlg.ShowForm();
  QVERIFY(!Control<QRadioButton>(dlg, control::Global)->isChecked());
  QVERIFY(!Control<QRadioButton>(dlg, control::Local)->isChecked());
  QVERIFY(!Control<QCheckBox>(dlg, control::NoIndex)->isChecked());
  // The radio buttons still exclude each other afterwards.
  Control<QRadioButton>(dlg, control::Global)->click();
  Control<QRadioButton>(dlg, control::Local)->click();
  QVERIFY(!Control<QRadioButton>(dlg, control::Global)->isChecked());
}

void MetaDlgTest::overlongDescriptionStopsTheExchange() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  // An operation put 300 characters into the record and showed them.
  dlg.Form().Description = std::string(300, 'd');
  dlg.StatusText() = "Done.";
  dlg.ShowForm();
  QCOMPARE(EditOf(dlg, control::Description)->text().size(), 300);
  // The user then types into fields before and after Description.
  QTest::keyClicks(EditOf(dlg, control::Title), QStringLiteral("New title"));
  QTest::keyClicks(EditOf(dlg, control::Keyword(1)), QStringLiteral("kw1"));
  QTest::keyClicks(EditOf(dlg, control::RedirectUrl), QStringLiteral("http://x/"));
  Control<QCheckBox>(dlg, control::IndexAll)->setChecked(true);
  Control<QRadioButton>(dlg, control::Global)->click();
  EditOf(dlg, control::Status)->setText(QStringLiteral("typed"));
  const verdo::MetaTagForm before = dlg.Form();

  ModalAnswerer answerer;
  QList<QWidget*> focusAtBoxes;
  answerer.OnBox = [&](QDialog*) { focusAtBoxes << dlg.focusWidget(); };
  // Totals starts with ReadForm, which fails; the handler goes on.
  Control<QPushButton>(dlg, control::Totals)->click();

  QCOMPARE(answerer.Boxes.size(), std::size_t(2));
  const verdo::testing::SeenBox& limit = answerer.Boxes[0];
  QCOMPARE(limit.Text, QStringLiteral("Please enter no more than 255 characters."));
  QCOMPARE(limit.Caption, QCoreApplication::applicationName());
  QCOMPARE(limit.Icon, QMessageBox::Warning);
  QCOMPARE(limit.ButtonCount, 1);
  // The message comes first; then the focus moves to the over-long box,
  // before the handler goes on to its own box.
  QCOMPARE(focusAtBoxes, (QList<QWidget*>{Control(dlg, control::Title), Control(dlg, control::Description)}));
  QCOMPARE(dlg.focusWidget(), Control(dlg, control::Description));
  QCOMPARE(EditOf(dlg, control::Description)->selectedText().size(), 300);

  // Read up to Description; everything after it as it was.
  const verdo::MetaTagForm& form = dlg.Form();
  QCOMPARE(form.Title, std::string("New title"));
  QCOMPARE(form.Description, std::string(300, 'd'));
  QCOMPARE(form.Keyword(1), before.Keyword(1));
  QCOMPARE(form.RedirectUrl, before.RedirectUrl);
  QCOMPARE(form.IndexAll, before.IndexAll);
  QCOMPARE(form.Distribution, before.Distribution);
  QCOMPARE(dlg.StatusText(), std::string("Done."));
  // The handler ran with that record.
  QCOMPARE(answerer.Boxes[1].Caption, QStringLiteral("Character Totals"));
  QVERIFY(answerer.Boxes[1].Text.contains(QStringLiteral("Description: 300")));
  QVERIFY(dlg.isVisible());
}

void MetaDlgTest::enterInTitleEndsTheDialog() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QSignalSpy finished(&dlg, &QDialog::finished);
  QTest::keyClicks(EditOf(dlg, control::Title), QStringLiteral("Home"));
  QTest::keyClick(EditOf(dlg, control::Title), Qt::Key_Return);
  QCOMPARE(finished.size(), 1);
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QVERIFY(!dlg.isVisible());
  QCOMPARE(dlg.Form().Title, std::string("Home"));

  // With a field over its limit the dialog stays open after the message.
  CMetaDlg second;
  second.show();
  QVERIFY(QTest::qWaitForWindowExposed(&second));
  second.Form().Author = std::string(81, 'a');
  second.ShowForm();
  QSignalSpy secondFinished(&second, &QDialog::finished);
  ModalAnswerer answerer;
  QTest::keyClick(Control<QCheckBox>(second, control::Revisit), Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(answerer.Boxes.size(), std::size_t(1));
  QCOMPARE(answerer.Boxes[0].Text, QStringLiteral("Please enter no more than 80 characters."));
  QCOMPARE(secondFinished.size(), 0);
  QVERIFY(second.isVisible());
  QCOMPARE(second.focusWidget(), Control(second, control::Author));
}

void MetaDlgTest::enterOnAPushButtonPressesIt() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QSignalSpy finished(&dlg, &QDialog::finished);
  QPushButton* totals = Control<QPushButton>(dlg, control::Totals);
  totals->setFocus();
  ModalAnswerer answerer;
  QTest::keyClick(totals, Qt::Key_Return);
  QCOMPARE(answerer.Boxes.size(), std::size_t(1));
  QCOMPARE(answerer.Boxes[0].Caption, QStringLiteral("Character Totals"));
  QCOMPARE(finished.size(), 0);
}

void MetaDlgTest::escapeExitAndCloseEndWithoutReading_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("Escape") << "escape";
  QTest::newRow("Exit") << "exit";
  QTest::newRow("close box") << "close";
}

void MetaDlgTest::escapeExitAndCloseEndWithoutReading() {
  QFETCH(QString, how);
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QSignalSpy finished(&dlg, &QDialog::finished);
  QTest::keyClicks(EditOf(dlg, control::Title), QStringLiteral("Unread"));
  // Over the limit, so reading the form would show a message.
  dlg.Form().Description = std::string(256, 'x');
  dlg.ShowForm();
  ModalAnswerer answerer;
  if (how == "escape") {
    QTest::keyClick(EditOf(dlg, control::Title), Qt::Key_Escape);
  } else if (how == "exit") {
    QTest::mouseClick(Control<QPushButton>(dlg, control::Exit), Qt::LeftButton);
  } else {
    dlg.close();
  }
  QCOMPARE(finished.size(), 1);
  QCOMPARE(dlg.result(), int(QDialog::Rejected));
  QVERIFY(!dlg.isVisible());
  QCOMPARE(dlg.Form().Title, std::string());
  QVERIFY(answerer.Boxes.empty());
}

void MetaDlgTest::closeRequestDuringATransferIsRefused() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QSignalSpy finished(&dlg, &QDialog::finished);
  // The window manager's close request arrives while a download keeps the window painting.
  QCoreApplication::postEvent(&dlg, new QCloseEvent);
  dlg.KeepPainting();
  QVERIFY(dlg.isVisible());
  QCOMPARE(finished.size(), 0);
  // Once the transfer is over, the same request ends the dialog.
  QCoreApplication::postEvent(&dlg, new QCloseEvent);
  QCoreApplication::processEvents();
  QCOMPARE(finished.size(), 1);
}

void MetaDlgTest::attachedAutomationObjectHidesInsteadOfEnding() {
  CMetaDlg dlg;
  QObject proxy;
  dlg.SetAutoProxy(&proxy);
  QCOMPARE(dlg.AutoProxy(), &proxy);
  QSignalSpy finished(&dlg, &QDialog::finished);
  ModalAnswerer answerer;
  int requests = 0;
  for (auto request : std::initializer_list<std::function<void()>>{
           [&] { QTest::keyClick(EditOf(dlg, control::Title), Qt::Key_Escape); },
           [&] { Control<QPushButton>(dlg, control::Exit)->click(); },
           [&] { dlg.close(); },
           [&] { QTest::keyClick(EditOf(dlg, control::Title), Qt::Key_Return); },
       }) {
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    request();
    ++requests;
    QVERIFY2(!dlg.isVisible(), qPrintable(QString::number(requests)));
    QCOMPARE(finished.size(), 0);
  }
  // Hidden while its modal run goes on.
  QTimer::singleShot(0, &dlg, [&] {
    dlg.show();
    Control<QPushButton>(dlg, control::Exit)->click();
    QVERIFY(!dlg.isVisible());
    QVERIFY(finished.isEmpty());
    dlg.SetAutoProxy(nullptr);
    dlg.show();
    Control<QPushButton>(dlg, control::Exit)->click();
  });
  answerer.OnDialog = [](QWidget*) {};
  QCOMPARE(dlg.exec(), int(QDialog::Rejected));
  QCOMPARE(finished.size(), 1);
  // A proxy that goes away detaches itself.
  {
    QObject shortLived;
    dlg.SetAutoProxy(&shortLived);
  }
  QCOMPARE(dlg.AutoProxy(), nullptr);
  QVERIFY(dlg.MayEndDialog());
}

void MetaDlgTest::previewShowsTheHeadBlockCaptionedWithTheTitle() {
  CMetaDlg dlg;
  SendKeys(EditOf(dlg, control::Title), QStringLiteral("My <b>Page</b> \u00E9"));
  QTest::keyClicks(EditOf(dlg, control::Keyword(1)), QStringLiteral("abc"));
  QTest::keyClicks(EditOf(dlg, control::RedirectUrl), QStringLiteral("http://example.invalid/"));
  ModalAnswerer answerer;
  Control<QPushButton>(dlg, control::Preview)->click();
  Control<QPushButton>(dlg, control::Preview)->click();
  QCOMPARE(answerer.Boxes.size(), std::size_t(2));
  const QString expected = QStringLiteral(
      "<TITLE>My <b>Page</b> \u00E9</TITLE>\n"
      "<META NAME=\"description\" CONTENT=\"\">\n"
      "<META NAME=\"keywords\" CONTENT=\"abc\">\n"
      "<META NAME=\"copyright\" CONTENT=\"Copyright \u00A9 2000\">\n"
      "<META NAME=\"distribution\" CONTENT=\"Global\">");
  for (const auto& box : answerer.Boxes) {
    QCOMPARE(box.Caption, QStringLiteral("My <b>Page</b> \u00E9"));
    QCOMPARE(box.Text, expected);
    QCOMPARE(box.Icon, QMessageBox::NoIcon);
    QCOMPARE(box.ButtonCount, 1);
  }
  QVERIFY(!expected.contains(QStringLiteral("example.invalid")));
  QCOMPARE(EditOf(dlg, control::Title)->text(), QStringLiteral("My <b>Page</b> \u00E9"));
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Verdo"));
}

namespace {

// The caption that the X11 and Wayland platforms hand to the window system.
struct WindowSystemTitle : QPlatformWindow {
  static QString Of(const QString& title) { return formatWindowTitle(title, QStringLiteral(" \u2014 ")); }
};

}  // namespace

// Not the program's name, which Qt puts in an empty caption.
void MetaDlgTest::previewOfAnEmptyTitleHasAnEmptyCaption() {
  CMetaDlg dlg;
  ModalAnswerer answerer;
  QString shown = QStringLiteral("none");
  answerer.OnBox = [&](QDialog* box) { shown = WindowSystemTitle::Of(box->windowTitle()); };
  Control<QPushButton>(dlg, control::Preview)->click();
  QCOMPARE(answerer.Boxes.size(), std::size_t(1));
  QCOMPARE(shown.trimmed(), QString());
}

void MetaDlgTest::totalsShowsTheCounts() {
  CMetaDlg dlg;
  ModalAnswerer answerer;
  Control<QPushButton>(dlg, control::Totals)->click();
  QTest::keyClicks(EditOf(dlg, control::Keyword(1)), QStringLiteral("abc"));
  QTest::keyClicks(EditOf(dlg, control::Keyword(2)), QStringLiteral("de"));
  QTest::keyClicks(EditOf(dlg, control::Author), QStringLiteral("  "));
  Control<QPushButton>(dlg, control::Totals)->click();
  QCOMPARE(answerer.Boxes.size(), std::size_t(2));
  QCOMPARE(answerer.Boxes[0].Caption, QStringLiteral("Character Totals"));
  QCOMPARE(answerer.Boxes[0].Text, QStringLiteral("Title: 0\nDescription: 0\nKeywords: 0\nAuthor: 0\nCopyright: 16"));
  QCOMPARE(answerer.Boxes[1].Text, QStringLiteral("Title: 0\nDescription: 0\nKeywords: 5\nAuthor: 2\nCopyright: 16"));
  QCOMPARE(answerer.Boxes[1].Icon, QMessageBox::NoIcon);
}

void MetaDlgTest::screenReadersGetNamesAndGroups() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  auto of = [&](int id) { return QAccessible::queryAccessibleInterface(Control(dlg, id)); };
  // Each labelled box is named by its label, and the label is its label.
  const std::pair<int, const char*> labelled[] = {
      {control::Title, "Title"},
      {control::Description, "Description"},
      {control::ExtraKeywords, "Extra Keywords (Separate with a comma)"},
      {control::Author, "Author"},
      {control::Copyright, "Copyright Information"},
      {control::Expires, "Expires"},
      {control::RedirectUrl, "Redirect URL"},
      {control::Status, "Status"},
  };
  for (const auto& [id, name] : labelled) {
    QAccessibleInterface* edit = of(id);
    QVERIFY2(edit, name);
    QCOMPARE(edit->role(), QAccessible::EditableText);
    QCOMPARE(edit->text(QAccessible::Name), QString::fromUtf8(name));
    bool labelFound = false;
    for (const auto& [other, relation] : edit->relations(QAccessible::Label)) {
      labelFound = labelFound || (other->role() == QAccessible::StaticText && other->text(QAccessible::Name) == name);
    }
    QVERIFY2(labelFound, name);
    QCOMPARE(edit->state().readOnly, id == control::Status);
  }
  for (int n = 1; n <= 16; ++n) {
    QCOMPARE(of(control::Keyword(n))->text(QAccessible::Name), QStringLiteral("Keyword %1").arg(n));
  }
  // The two Preview buttons read alike and are told apart.
  QCOMPARE(of(control::Preview)->text(QAccessible::Name), QStringLiteral("Preview"));
  QCOMPARE(of(control::TrapPreview)->text(QAccessible::Name), QStringLiteral("Preview"));
  QCOMPARE(of(control::Preview)->text(QAccessible::Description), QStringLiteral("Preview of the head block"));
  QCOMPARE(of(control::TrapPreview)->text(QAccessible::Description), QStringLiteral("Preview of the trap page"));
  // Controls sit inside their group.
  const std::pair<int, const char*> grouped[] = {
      {control::Keyword(7), "Keywords"},   {control::ExtraKeywords, "Keywords"}, {control::ClearKeywords, "Keywords"},
      {control::Global, "Distribution"},   {control::Local, "Distribution"},     {control::Revisit, "Robots"},
      {control::IndexAll, "Robots"},       {control::Load, "Template"},          {control::Import, "HTML"},
      {control::TrapPreview, "Trap Page"}, {control::Preview, "Utils"},          {control::ClearAll, "Utils"},
  };
  for (const auto& [id, group] : grouped) {
    QAccessibleInterface* parent = of(id)->parent();
    QVERIFY2(parent, group);
    QCOMPARE(parent->role(), QAccessible::Grouping);
    QCOMPARE(parent->text(QAccessible::Name), QString::fromUtf8(group));
  }
  QCOMPARE(of(control::Title)->parent()->role(), QAccessible::Dialog);
  // The logo has a name.
  bool logoNamed = false;
  for (QLabel* label : dlg.findChildren<QLabel*>()) {
    if (!label->pixmap().isNull())
      logoNamed = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name) == "Verdo";
  }
  QVERIFY(logoNamed);
}

// From a build, Help opens the build's copy of the page, laid out beside
// bin/ as the package installs it.
void MetaDlgTest::helpOpensTheHelpPage() {
  CMetaDlg dlg;
  UrlCatcher catcher;
  for (const char* scheme : {"file", "http", "https"}) {
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "Open");
  }
  Control<QPushButton>(dlg, control::Help)->click();
  for (const char* scheme : {"file", "http", "https"}) QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  const QString copy = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/doc/verdo/help.html");
  QCOMPARE(catcher.Opened, QList<QUrl>{QUrl::fromLocalFile(copy)});
  QFile page(copy), source(SourceHelpPage());
  QVERIFY(page.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
  QCOMPARE(page.readAll(), source.readAll());
  QCOMPARE(Control<QPushButton>(dlg, control::Help)->text(), QStringLiteral("&Help"));
}

// The page lies in share/doc/verdo beside the program's folder, or there is none.
void MetaDlgTest::helpPrefersTheInstalledPage() {
  QTemporaryDir prefix;
  QVERIFY(prefix.isValid());
  QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
  const QString program = prefix.filePath(QStringLiteral("bin"));
  const QString installed = prefix.filePath(QStringLiteral("share/doc/verdo/help.html"));
  QVERIFY(verdo::app::FindHelpPage(program).isEmpty());
  // A folder of that name is no page.
  QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/doc/verdo/help.html")));
  QVERIFY(verdo::app::FindHelpPage(program).isEmpty());
  QVERIFY(QDir(prefix.path()).rmdir(QStringLiteral("share/doc/verdo/help.html")));
  QFile page(installed);
  QVERIFY(page.open(QIODevice::WriteOnly));
  page.close();
  QCOMPARE(verdo::app::FindHelpPage(program), QUrl::fromLocalFile(installed));
}

void MetaDlgTest::windowMenuOpensTheAboutBox() {
  CMetaDlg dlg;
  dlg.show();
  QMenu* menu = dlg.WindowMenu();
  const QList<QAction*> actions = menu->actions();
  QVERIFY(actions.size() >= 2);
  QVERIFY(actions[actions.size() - 2]->isSeparator());
  QAction* about = actions.back();
  QCOMPARE(about->text(), QStringLiteral("&About Verdo..."));

  // The menu that a key or click opened ("window", or "edit" for an edit
  // box's own menu with About last), closed at once. Before each key, the
  // window is made the active one again (the offscreen platform gives a menu
  // the activation and leaves it there): shortcuts work in the active window.
  const auto opened = [&] {
    auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!m) return QStringLiteral("none");
    const QList<QAction*> items = m->actions();
    const bool copy = std::any_of(items.begin(), items.end(), [](QAction* a) { return a->text().startsWith("&Copy"); });
    m->close();
    return QString::fromLatin1(m == menu ? "window" : copy && items.back() == about ? "edit" : "other");
  };
  const auto ready = [&] {
    dlg.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &dlg);
  };
  // Alt+Space and a right click on the background open the window menu.
  ready();
  QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
  QCOMPARE(opened(), "window");
  QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(600, 500), dlg.mapToGlobal(QPoint(600, 500)));
  QApplication::sendEvent(&dlg, &rightClick);
  QCOMPARE(opened(), "window");
  // Shift+F10 and the Menu key, from every kind of control.
  const std::pair<int, const char*> controls[] = {
      {control::Title, "edit"},     {control::Status, "edit"},   {control::Load, "window"},
      {control::Revisit, "window"}, {control::Global, "window"}, {control::ClearKeywords, "window"},
  };
  for (const auto& [id, expected] : controls) {
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_F10, Qt::ShiftModifier}, {Qt::Key_Menu, Qt::NoModifier}}) {
      ready();
      Control(dlg, id)->setFocus();
      QTest::keyClick(Control(dlg, id), key, modifiers);
      QCOMPARE(opened(), QString::fromLatin1(expected));
    }
  }

  ModalAnswerer answerer;
  answerer.OnDialog = [](QWidget* w) {
    if (auto* ok = w->findChild<QPushButton*>(QStringLiteral("1"))) ok->click();
  };
  const QString titleBefore = EditOf(dlg, control::Title)->text();
  about->trigger();
  QCOMPARE(answerer.DialogTitles.size(), std::size_t(1));
  QCOMPARE(answerer.DialogTitles[0], QStringLiteral("About meta"));
  QVERIFY(dlg.isVisible());
  QCOMPARE(EditOf(dlg, control::Title)->text(), titleBefore);
}

void MetaDlgTest::aboutBoxFollowsItsTable() {
  CAboutDlg about;
  const verdo::app::DialogUnits units(about.font());
  QCOMPARE(about.windowTitle(), QStringLiteral("About meta"));
  QCOMPARE(about.size(), units.Size(235, 55));
  auto* ok = about.findChild<QPushButton*>(QStringLiteral("1"));
  QVERIFY(ok && ok->isDefault());
  QCOMPARE(ok->geometry(), units.Rect(178, 7, 50, 14));
  QStringList texts;
  for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
  QVERIFY(texts.contains(QStringLiteral("Verdo Version 1.0")));
  QCOMPARE(about.toolTip(), QStringLiteral("Verdo 1.0.0.1"));
  QSignalSpy finished(&about, &QDialog::finished);
  about.show();
  QTest::keyClick(&about, Qt::Key_Escape);
  QCOMPARE(finished.size(), 1);
}

void MetaDlgTest::chooseFileReturnsPathAndExtension() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  CMetaDlg dlg;
  struct Case {
    verdo::FileDialogMode Mode;
    const char* Initial;
    QString Name;  // chosen; empty: cancel
    std::string Extension;
  };
  const Case cases[] = {
      {verdo::FileDialogMode::Open, "*.htm", QStringLiteral("missing.htm"), "htm"},
      {verdo::FileDialogMode::Save, "*.tem", QStringLiteral("form.tem"), "tem"},
      {verdo::FileDialogMode::Open, "*.tem", QStringLiteral("noext"), ""},
      {verdo::FileDialogMode::Save, "*.htm", QString(), ""},
  };
  for (const Case& c : cases) {
    ModalAnswerer answerer;
    QString nameBox;
    QFileDialog::AcceptMode acceptMode{};
    answerer.OnDialog = [&](QWidget* w) {
      auto* fileDialog = qobject_cast<QFileDialog*>(w);
      QVERIFY(fileDialog);
      acceptMode = fileDialog->acceptMode();
      if (auto* edit = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) nameBox = edit->text();
      if (c.Name.isEmpty()) {
        fileDialog->reject();
        return;
      }
      verdo::testing::TypeFileName(fileDialog, dir.filePath(c.Name));
      QMetaObject::invokeMethod(fileDialog, "accept");
    };
    const auto chosen = dlg.ChooseFile(c.Mode, c.Initial, "Export");
    QCOMPARE(nameBox, QString::fromUtf8(c.Initial));
    QCOMPARE(acceptMode, c.Mode == verdo::FileDialogMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (c.Name.isEmpty()) {
      QVERIFY(!chosen);
      continue;
    }
    QVERIFY(chosen);
    QCOMPARE(QString::fromStdString(chosen->Path), dir.filePath(c.Name));
    QCOMPARE(chosen->Extension, c.Extension);
  }
}

void MetaDlgTest::setCaptionSetsTheWindowTitle() {
  CMetaDlg dlg;
  dlg.SetCaption("Verdo: /tmp/d\xC3\xA9j\xC3\xA0/page.htm");
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Verdo: /tmp/d\u00E9j\u00E0/page.htm"));
  // ShowForm and the handlers that only read leave it.
  dlg.ShowForm();
  QVERIFY(dlg.ReadForm());
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Verdo: /tmp/d\u00E9j\u00E0/page.htm"));
}

namespace {

// Lines the box shows for its text: more than the text's lines when a line
// was broken.
int ShownLines(const QPlainTextEdit& view) {
  int lines = 0;
  for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
    lines += block.layout()->lineCount();
  }
  return lines;
}

bool FitsTheScreen(const QWidget& box) { return box.screen()->availableGeometry().contains(box.frameGeometry()); }

}  // namespace

void MetaDlgTest::previewBoxFitsTheScreenAndItsTextCopies() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  SendKeys(EditOf(dlg, control::Title), QStringLiteral("Garden"));
  // Expires has no limit; an address and a tag that must not be broken.
  SendKeys(EditOf(dlg, control::Expires),
           QString(600, QLatin1Char('x')) + QStringLiteral(" https://verdo.example.org/ </CENTER>"));
  QVERIFY(dlg.ReadForm());
  const QString headBlock = QStringFromCp1252(verdo::ComposeHeadBlock(dlg.Form(), verdo::HeadBlockStyle::Plain));

  ModalAnswerer answerer;
  bool fits = false, copied = false, unchanged = false, allLinesShow = false;
  int shown = 0;
  answerer.OnBox = [&](QDialog* dialog) {
    auto* box = qobject_cast<verdo::app::CMessageBox*>(dialog);
    QVERIFY(box);
    fits = FitsTheScreen(*box);
    shown = ShownLines(*box->TextView());
    allLinesShow = box->TextView()->verticalScrollBar()->maximum() == 0;
    QApplication::clipboard()->clear();
    QTest::keyClick(box->TextView(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box->TextView(), Qt::Key_C, Qt::ControlModifier);
    copied = QApplication::clipboard()->text() == headBlock;
    QTest::keyClicks(box->TextView(), QStringLiteral("typed"));
    QTest::keyClick(box->TextView(), Qt::Key_Delete);
    unchanged = box->TextView()->toPlainText() == headBlock;
    QVERIFY(box->TextView()->textInteractionFlags() & Qt::TextSelectableByMouse);
  };
  Control<QPushButton>(dlg, control::Preview)->click();
  QCOMPARE(answerer.Boxes.size(), std::size_t(1));
  QCOMPARE(answerer.Boxes[0].Text, headBlock);
  QCOMPARE(answerer.Boxes[0].Caption, QStringLiteral("Garden"));
  QCOMPARE(answerer.Boxes[0].Icon, QMessageBox::NoIcon);
  QCOMPARE(answerer.Boxes[0].ButtonCount, 1);
  QVERIFY(fits);
  QCOMPARE(shown, 6);  // the head block's six lines, none broken
  QVERIFY(allLinesShow);
  QVERIFY(copied);
  QVERIFY(unchanged);
}

void MetaDlgTest::longMessagesScrollInsideTheScreen() {
  CMetaDlg dlg;
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  std::string text;
  for (int line = 0; line < 300; ++line) text += "line " + std::to_string(line) + std::string(400, '.') + "\n";
  text += "last";
  ModalAnswerer answerer;
  bool fits = false, scrolls = false, enterCloses = false;
  answerer.OnBox = [&](QDialog* box) {
    fits = FitsTheScreen(*box);
    auto* view = qobject_cast<verdo::app::CMessageBox*>(box)->TextView();
    scrolls = view->verticalScrollBar()->maximum() > 0 && view->horizontalScrollBar()->maximum() > 0;
    // The text has the focus; Enter still closes the box.
    QCOMPARE(box->focusWidget(), view);
    QTest::keyClick(view, Qt::Key_Return);
    enterCloses = !box->isVisible();
  };
  dlg.ShowMessage(text, "Long");
  QVERIFY(fits);
  QVERIFY(scrolls);
  QVERIFY(enterCloses);
}

// A text that fits the screen shows whole, without scroll bars.
void MetaDlgTest::shortMessagesShowWhole() {
  CMetaDlg dlg;
  std::string text;
  for (int line = 1; line <= 24; ++line) text += std::string(static_cast<std::size_t>(line * 2), 'W') + "\n";
  text += "<BR><BR><BR><CENTER><FONT SIZE=-2> [<A HREF=\"https://verdo.example.org/\">Page</A>] </FONT></CENTER>";
  ModalAnswerer answerer;
  int scrollRange = -1;
  answerer.OnBox = [&](QDialog* box) {
    auto* view = qobject_cast<verdo::app::CMessageBox*>(box)->TextView();
    scrollRange = view->verticalScrollBar()->maximum() + view->horizontalScrollBar()->maximum();
  };
  dlg.ShowMessage(text, "Preview Trap");
  QCOMPARE(scrollRange, 0);
}

void MetaDlgTest::messageBoxesAreAsWideAsTheirCaption_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("text");
  QTest::newRow("totals") << "Character Totals"
                          << "Title: 0\nDescription: 0";
  QTest::newRow("save") << "Save Template"
                        << "Error Saving File";
  QTest::newRow("import") << "Import HTML"
                          << "Error Opening File";
  QTest::newRow("empty title") << ""
                               << "<TITLE></TITLE>";
}

void MetaDlgTest::messageBoxesAreAsWideAsTheirCaption() {
  QFETCH(QString, caption);
  QFETCH(QString, text);
  CMetaDlg dlg;
  ModalAnswerer answerer;
  int width = 0;
  answerer.OnBox = [&](QDialog* box) { width = box->width(); };
  dlg.ShowMessage(text.toStdString(), caption.toStdString());
  QCOMPARE(answerer.Boxes.size(), std::size_t(1));
  QFont bold = dlg.font();
  bold.setBold(true);
  // The caption's text, and room for the title bar's icon and three buttons.
  QVERIFY2(width >= QFontMetrics(bold).horizontalAdvance(caption) + 100, qPrintable(QString::number(width)));
  QVERIFY(width >= QFontMetrics(dlg.font()).horizontalAdvance(text));
}

QTEST_MAIN(MetaDlgTest)
#include "tst_metadlg.moc"
