// Where the Help button finds its page.
#pragma once

#include <QString>
#include <QUrl>

namespace verdo::app {

// The installed page, share/doc/verdo/help.html beside the program's own
// folder, when it is there; else `sourcePage`, the copy in the source tree of
// a build; a file address, or an empty address when neither exists.
QUrl FindHelpPage(const QString& programFolder, const QString& sourcePage);

// The page for this program: from the folder it runs from and the source
// tree it was built from.
QUrl HelpPage();

}  // namespace verdo::app
