#include "app/CAboutDlg.h"

#include <QIcon>
#include <QPushButton>

#include "app/DialogLayout.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/verdo/verdo.svg")));
  verdo::app::BuildDialog(*this, verdo::app::AboutDialogLayout());
  if (auto* ok = findChild<QPushButton*>(QStringLiteral("1"))) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
  }
}
