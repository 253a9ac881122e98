#include "app/AppStrings.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace verdo::app {

void FrameworkMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace verdo::app
