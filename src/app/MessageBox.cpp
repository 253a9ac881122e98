#include "app/MessageBox.h"

#include <algorithm>
#include <cmath>

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <QTextLayout>
#include <QVBoxLayout>

namespace verdo::app {
namespace {

// A read-only text whose copy is the text itself: Qt's own copy turns
// no-break spaces into blanks.
class MessageText : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  QMimeData* createMimeDataFromSelection() const override {
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    auto* data = new QMimeData;
    data->setText(text);
    return data;
  }
};

// Room the window manager's frame takes around the box, at most.
constexpr int kFrameRoomX = 16;
constexpr int kFrameRoomY = 48;

}  // namespace

CMessageBox::CMessageBox(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent), Message(text), View(new MessageText(this)) {
  // Qt shows the application's name ("verdo") for an empty title; a lone
  // space is a caption that window managers keep and show as empty.
  setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  View->setReadOnly(true);
  View->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  View->setLineWrapMode(QPlainTextEdit::NoWrap);
  View->setFrameShape(QFrame::NoFrame);
  View->setContextMenuPolicy(Qt::DefaultContextMenu);
  // It reads as the box's text, not as an edit box.
  QPalette palette = View->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  View->setPalette(palette);
  View->setPlainText(text);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setCenterButtons(true);
  Ok = buttons->button(QDialogButtonBox::Ok);
  Ok->setDefault(true);
  Ok->setIcon(QIcon());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(View);
  layout->addWidget(buttons);
  // The text has the focus, so Ctrl+A and Ctrl+C work at once; Enter and
  // Escape still close the box.
  View->setFocus();
  FitToText();
}

void CMessageBox::FitToText() {
  const QFontMetrics metrics(View->font());
  int textWidth = 0;
  const QStringList lines = Message.split(QLatin1Char('\n'));
  for (const QString& line : lines) textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
  const int margin = 2 * static_cast<int>(View->document()->documentMargin()) + 2 * View->frameWidth();
  // A line's height as the view lays it out, rounded up line by line.
  QTextLayout probe(QStringLiteral("Mg"), View->font());
  probe.beginLayout();
  QTextLine line = probe.createLine();
  line.setLineWidth(1e6);
  const int lineHeight = static_cast<int>(std::ceil(line.height()));
  probe.endLayout();
  // The view reserves the document's margin once more beside the widest line.
  QSize text(textWidth + 2 * margin + metrics.averageCharWidth(),
             static_cast<int>(lines.size()) * lineHeight + margin + 2);

  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  const QSize room = screen->availableGeometry().size() - QSize(kFrameRoomX, kFrameRoomY);

  // The layout's size for the whole text, then only as much as the screen
  // holds; the text view takes what is cut, and scrolls.
  View->setFixedSize(text);
  QSize wanted = sizeHint();
  View->setMinimumSize(0, 0);
  View->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  QFont titleFont = font();
  titleFont.setBold(true);
  wanted.setWidth(std::max(wanted.width(), QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarRoom));
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  if (wanted.width() > room.width()) wanted.rheight() += scrollBar;
  if (wanted.height() > room.height()) wanted.rwidth() += scrollBar;
  resize(wanted.boundedTo(room));
}

}  // namespace verdo::app
