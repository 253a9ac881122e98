#include "app/HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace verdo::app {

QUrl FindHelpPage(const QString& programFolder, const QString& sourcePage) {
  const QString installed = QDir(programFolder).absoluteFilePath(QStringLiteral(VERDO_INSTALLED_HELP_PAGE));
  for (const QString& page : {installed, sourcePage}) {
    const QFileInfo info(page);
    if (info.isFile()) return QUrl::fromLocalFile(QDir::cleanPath(info.absoluteFilePath()));
  }
  return {};
}

QUrl HelpPage() { return FindHelpPage(QCoreApplication::applicationDirPath(), QStringLiteral(VERDO_SOURCE_HELP_PAGE)); }

}  // namespace verdo::app
