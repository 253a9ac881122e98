#include "app/CAboutDlg.h"

#include <QIcon>
#include <QPushButton>

#include "app/DialogLayout.h"
#include "core/Product.h"
#include "core/form/ControlIds.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/verdo/verdo.svg")));
  verdo::app::BuildDialog(*this, verdo::app::AboutDialogLayout());
  // The box's text names the version as users have always read it; the
  // build's own version is on its tooltip.
  setToolTip(QStringLiteral("Verdo %1").arg(QLatin1String(verdo::kVersion)));
  if (auto* ok = findChild<QPushButton*>(QString::number(verdo::control::AboutOk))) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
  }
}
