// Built-in texts and pictures of the desktop program.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace zv::resources {

QString HelpText();         // the built-in help text shown in the main window at startup
QString HelpPageUrl();      // the online help page on the maker's site
QString FeedbackPageUrl();  // the feedback page on the maker's site
QPixmap OfflinePicture();   // the help window's offline picture (GIF, 150 x 242)
QIcon ApplicationIcon();    // the window icon, 32 x 32 and 16 x 16

}  // namespace zv::resources
