// Built-in texts and pictures of the desktop program.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace zv::resources {

QString HelpText();         // the built-in help text shown in the main window at startup
QString HelpPageUrl();      // the online help page on the maker's site
QString FeedbackPageUrl();  // the feedback page on the maker's site

// The help page shipped with the program (banner.html of site/zilvardo), for when the online
// one cannot be loaded: the path of the first copy found, or empty when there is none. It is
// looked for in the data folder next to the program's folder (build/share/zv/zilvardo for
// build/app/zv, PREFIX/share/zv/zilvardo once installed), then in the desktop's data folders
// (XDG_DATA_HOME, XDG_DATA_DIRS), then in the data folder the build installs to.
QString ShippedHelpPage();
// The first of those places for a program in executable_folder.
QString ShippedHelpPageNextTo(const QString& executable_folder);
// Replaces the search with this path (tests); a null string restores the search.
void SetShippedHelpPage(const QString& path);
QPixmap OfflinePicture();  // the help window's offline picture (GIF, 150 x 242)
QIcon ApplicationIcon();   // the window icon, 32 x 32 and 16 x 16

}  // namespace zv::resources
