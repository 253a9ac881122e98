#include "app/CMetaDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QUrl>

#include "app/AppStrings.h"
#include "app/CAboutDlg.h"
#include "app/DialogLayout.h"
#include "app/FieldEdit.h"
#include "app/HelpPage.h"
#include "app/KeyboardMenus.h"
#include "app/MeasureTips.h"
#include "app/MessageBox.h"
#include "core/Product.h"
#include "core/form/ControlIds.h"
#include "core/text/Text.h"
#include "handlers/Handlers.h"

// Resources of a static library must be registered by hand, outside any namespace.
static void InitVerdoResources() { Q_INIT_RESOURCE(verdo); }

using verdo::app::CFieldEdit;
using verdo::app::QStringFromCp1252;

namespace {

namespace control = verdo::control;

struct ButtonRow {
  int Id;
  void (CMetaDlg::*Slot)();
};

constexpr ButtonRow kButtons[] = {
    {control::Load, &CMetaDlg::OnLoad},
    {control::Save, &CMetaDlg::OnSave},
    {control::Export, &CMetaDlg::OnExport},
    {control::Import, &CMetaDlg::OnImport},
    {control::Generate, &CMetaDlg::OnGenerate},
    {control::TrapPreview, &CMetaDlg::OnTrapPreview},
    {control::Totals, &CMetaDlg::OnTotals},
    {control::Preview, &CMetaDlg::OnPreview},
    {control::ClearAll, &CMetaDlg::OnClearAll},
    {control::Uppercase, &CMetaDlg::OnUppercase},
    {control::Lowercase, &CMetaDlg::OnLowercase},
    {control::FirstCapitol, &CMetaDlg::OnFirstCapitol},
    {control::Reverse, &CMetaDlg::OnReverse},
    {control::Randomize, &CMetaDlg::OnRandomize},
    {control::ClearKeywords, &CMetaDlg::OnClearKeywords},
    {control::Help, &CMetaDlg::OnHelp},
    {control::Exit, &CMetaDlg::OnCancel},
};

// Swallows every event that a user's hand makes: keys, the mouse, the wheel,
// touch, drops, shortcuts and context menus.
class UserInputDropper : public QObject {
 public:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::InputMethod:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TouchCancel:
      case QEvent::TabletPress:
      case QEvent::TabletMove:
      case QEvent::TabletRelease:
      case QEvent::NativeGesture:
      case QEvent::Gesture:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop: return true;
      default: return false;
    }
  }
};

}  // namespace

CMetaDlg::CMetaDlg(QWidget* parent) : QDialog(parent) {
  InitVerdoResources();
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/verdo/verdo.svg")));

  for (QWidget* widget : verdo::app::BuildDialog(*this, verdo::app::MainDialogLayout())) {
    bool isNumber = false;
    const int id = widget->objectName().toInt(&isNumber);
    if (isNumber) Controls.insert(id, widget);
  }
  for (const ButtonRow& row : kButtons) {
    connect(Button(row.Id), &QAbstractButton::clicked, this, row.Slot);
  }

  NameControlsForAssistiveTechnology();
  verdo::app::InstallMeasureTips(Edit(control::Title), Edit(control::Description));

  Menu = new QMenu(this);
  Menu->addAction(tr("Mi&nimize"), this, &QWidget::showMinimized);
  Menu->addAction(tr("&Close"), this, &QWidget::close);
  Menu->addSeparator();
  QAction* about = Menu->addAction(QString::fromUtf8(verdo::app::kAboutMenuItem), this, &CMetaDlg::ShowAboutBox);
  // Alt+Space, where the window manager leaves it to the program.
  auto* altSpace = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(altSpace, &QShortcut::activated, this, [this] { Menu->popup(mapToGlobal(QPoint(0, 0))); });
  verdo::app::OpenContextMenusByKeyboard(*this);
  for (CFieldEdit* edit : findChildren<CFieldEdit*>()) verdo::app::AddToContextMenu(*edit, about);

  // All controls show the form at start, and the typing limits are installed.
  ShowForm();
  Edit(control::Title)->setFocus();
}

CMetaDlg::~CMetaDlg() = default;

// The keyword boxes have no label of their own, and the two Preview buttons
// read alike: screen readers get names and descriptions that tell them apart.
void CMetaDlg::NameControlsForAssistiveTechnology() {
  for (int n = 1; n <= 16; ++n) Edit(control::Keyword(n))->setAccessibleName(QStringLiteral("Keyword %1").arg(n));
  Button(control::Preview)->setAccessibleDescription(QStringLiteral("Preview of the head block"));
  Button(control::TrapPreview)->setAccessibleDescription(QStringLiteral("Preview of the trap page"));
}

CFieldEdit* CMetaDlg::Edit(int id) const { return static_cast<CFieldEdit*>(Controls.value(id)); }

QAbstractButton* CMetaDlg::Button(int id) const { return static_cast<QAbstractButton*>(Controls.value(id)); }

bool CMetaDlg::ReadForm() {
  for (const verdo::FormField& field : verdo::FormFields()) {
    switch (field.Kind) {
      case verdo::FieldKind::Text: {
        CFieldEdit* edit = Edit(field.ControlId);
        std::string& value = *field.Text(Record);
        value = verdo::app::Cp1252FromQString(edit->text());
        if (field.Limit > 0 && value.size() > static_cast<std::size_t>(field.Limit)) {
          LimitCheckFailed(edit, field.Limit);
          return false;
        }
        break;
      }
      case verdo::FieldKind::Flag: *field.Number(Record) = Button(field.ControlId)->isChecked() ? 1 : 0; break;
      case verdo::FieldKind::Radio: {
        int& distribution = *field.Number(Record);
        distribution = verdo::kDistributionNone;
        if (Button(control::Global)->isChecked()) distribution = verdo::kDistributionGlobal;
        if (Button(control::Local)->isChecked()) distribution = verdo::kDistributionLocal;
        break;
      }
    }
  }
  CFieldEdit* status = Edit(control::Status);
  Status = verdo::app::Cp1252FromQString(status->text());
  if (Status.size() > static_cast<std::size_t>(verdo::kStatusLimit)) {
    LimitCheckFailed(status, verdo::kStatusLimit);
    return false;
  }
  return true;
}

// The field keeps the over-long text; the fields after it and the Status
// text keep what they held before: the exchange stops here.
void CMetaDlg::LimitCheckFailed(CFieldEdit* edit, int limit) {
  verdo::app::FrameworkMessageBox(this, QString::fromUtf8(verdo::app::kLimitCheckMessage).arg(limit));
  edit->setFocus();
  edit->selectAll();
}

void CMetaDlg::ShowTextField(const verdo::FormField& field) {
  CFieldEdit* edit = Edit(field.ControlId);
  edit->SetFieldText(QStringFromCp1252(*field.Text(Record)));
  edit->SetTypingLimit(field.Limit);
}

void CMetaDlg::ShowForm() {
  for (const verdo::FormField& field : verdo::FormFields()) {
    switch (field.Kind) {
      case verdo::FieldKind::Text: ShowTextField(field); break;
      case verdo::FieldKind::Flag: Button(field.ControlId)->setChecked(*field.Number(Record) != 0); break;
      case verdo::FieldKind::Radio: {
        const int distribution = *field.Number(Record);
        for (int id : {control::Global, control::Local}) {
          QAbstractButton* radio = Button(id);
          // An exclusive radio button can't be cleared by hand; neither
          // chosen is a state of its own here.
          radio->setAutoExclusive(false);
          radio->setChecked(distribution ==
                            (id == control::Global ? verdo::kDistributionGlobal : verdo::kDistributionLocal));
          radio->setAutoExclusive(true);
        }
        break;
      }
    }
  }
  CFieldEdit* status = Edit(control::Status);
  status->SetFieldText(QStringFromCp1252(Status));
  status->SetTypingLimit(verdo::kStatusLimit);
}

void CMetaDlg::ShowKeywords() {
  for (const verdo::FormField& field : verdo::FormFields()) {
    const bool keyword = field.ControlId == control::ExtraKeywords ||
                         (field.ControlId >= control::Keyword(1) && field.ControlId <= control::Keyword(16));
    if (keyword) ShowTextField(field);
  }
}

void CMetaDlg::ShowMessage(const std::string& text, const std::string& caption) {
  verdo::app::CMessageBox box(QStringFromCp1252(caption), QStringFromCp1252(text), this);
  box.exec();
}

std::optional<verdo::ChosenFile> CMetaDlg::ChooseFile(verdo::FileDialogMode mode, const std::string& initialName,
                                                      const std::string& /*defaultExtensionText*/) {
  // Qt's own dialog: it lets an open dialog accept a name that doesn't exist
  // yet, and takes the preset "*.htm" in its name box as the files to list.
  // The default extension text is not used: a name typed without extension
  // stays so, and the caller's extension test refuses it.
  QFileDialog dialog(this);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(mode == verdo::FileDialogMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  const QString pattern = QString::fromUtf8(initialName);
  dialog.setNameFilter(pattern);
  dialog.selectFile(pattern);
  // No list of file types.
  for (const char* name : {"fileTypeCombo", "fileTypeLabel"}) {
    if (auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(name))) widget->hide();
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  verdo::ChosenFile chosen;
  chosen.Path = QFile::encodeName(files.front()).toStdString();
  chosen.Extension = verdo::FileExtension(chosen.Path);
  return chosen;
}

verdo::HeadLossAnswer CMetaDlg::AskHeadLoss(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Export"), QStringFromCp1252(text), QMessageBox::NoButton,
                  this);
  box.setTextFormat(Qt::PlainText);
  QPushButton* keep = box.addButton(QStringLiteral("Keep Them"), QMessageBox::AcceptRole);
  QPushButton* replace = box.addButton(QStringLiteral("Replace All"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == keep) return verdo::HeadLossAnswer::KeepThem;
  if (box.clickedButton() == replace) return verdo::HeadLossAnswer::ReplaceAll;
  return verdo::HeadLossAnswer::Cancel;
}

// Captions name files: their bytes are in the file system's encoding.
void CMetaDlg::SetCaption(const std::string& text) {
  setWindowTitle(QFile::decodeName(QByteArray::fromStdString(text)));
}

void CMetaDlg::KeepPainting() {
  // Input that arrives during the transfer is taken from the queue and
  // dropped, so none of it runs once the transfer is over. A close request
  // of the window manager is no user input to Qt; it is refused too.
  const bool wasRunning = TransferRunning;
  TransferRunning = true;
  UserInputDropper dropper;
  QCoreApplication::instance()->installEventFilter(&dropper);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(&dropper);
  TransferRunning = wasRunning;
}

bool CMetaDlg::MayEndDialog() {
  if (AutoProxyObject) {
    // QDialog::setVisible(false) would end the modal run; the window only hides.
    QWidget::setVisible(false);
    return false;
  }
  return true;
}

void CMetaDlg::OnOK() {
  if (MayEndDialog() && ReadForm()) QDialog::accept();
}

void CMetaDlg::OnCancel() {
  if (MayEndDialog()) QDialog::reject();
}

void CMetaDlg::keyPressEvent(QKeyEvent* event) {
  const bool enter = (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) ||
                     (event->key() == Qt::Key_Enter &&
                      (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier));
  if (enter) {
    // No default button: Enter presses the push button that has the focus,
    // and anywhere else it is the OK command.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      OnOK();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

void CMetaDlg::closeEvent(QCloseEvent* event) {
  if (TransferRunning || !MayEndDialog()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);  // rejects, through OnCancel
}

void CMetaDlg::contextMenuEvent(QContextMenuEvent* event) { Menu->popup(event->globalPos()); }

void CMetaDlg::ShowAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

// The page that came with the program; nothing happens when there is none.
void CMetaDlg::OnHelp() {
  const QUrl page = verdo::app::HelpPage();
  if (!page.isEmpty()) QDesktopServices::openUrl(page);
}

void CMetaDlg::OnLoad() { verdo::handlers::OnLoad(*this); }
void CMetaDlg::OnSave() { verdo::handlers::OnSave(*this); }
void CMetaDlg::OnExport() { verdo::handlers::OnExport(*this); }
void CMetaDlg::OnImport() { verdo::handlers::OnImport(*this); }
void CMetaDlg::OnGenerate() { verdo::handlers::OnGenerate(*this); }
void CMetaDlg::OnTrapPreview() { verdo::handlers::OnTrapPreview(*this); }
void CMetaDlg::OnTotals() { verdo::handlers::OnTotals(*this); }
void CMetaDlg::OnPreview() { verdo::handlers::OnPreview(*this); }
void CMetaDlg::OnClearAll() { verdo::handlers::OnClearAll(*this); }
void CMetaDlg::OnUppercase() { verdo::handlers::OnUppercase(*this); }
void CMetaDlg::OnLowercase() { verdo::handlers::OnLowercase(*this); }
void CMetaDlg::OnFirstCapitol() { verdo::handlers::OnFirstCapitol(*this); }
void CMetaDlg::OnReverse() { verdo::handlers::OnReverse(*this); }
void CMetaDlg::OnRandomize() { verdo::handlers::OnRandomize(*this); }
void CMetaDlg::OnClearKeywords() { verdo::handlers::OnClearKeywords(*this); }
