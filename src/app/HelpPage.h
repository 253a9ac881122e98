// Where the Help button finds its page.
#pragma once

#include <QString>
#include <QUrl>

namespace verdo::app {

// The page at share/doc/verdo/help.html beside the program's folder, as the
// package installs it and as a build lays it out beside bin/; a file
// address, or an empty address when it isn't there. No path of the machine
// that built the program is looked at.
QUrl FindHelpPage(const QString& programFolder);

// The page for this program, found from the folder it runs from.
QUrl HelpPage();

}  // namespace verdo::app
