#include "app/HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace verdo::app {

QUrl FindHelpPage(const QString& programFolder) {
  const QFileInfo page(QDir(programFolder).absoluteFilePath(QStringLiteral(VERDO_INSTALLED_HELP_PAGE)));
  if (!page.isFile()) return {};
  return QUrl::fromLocalFile(QDir::cleanPath(page.absoluteFilePath()));
}

QUrl HelpPage() { return FindHelpPage(QCoreApplication::applicationDirPath()); }

}  // namespace verdo::app
