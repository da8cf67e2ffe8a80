// Built-in texts and pictures of the desktop program.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QUrl>

namespace zv::resources {

QString HelpText();         // the built-in help text shown in the main window at startup
QString HelpPageUrl();      // the online help page on the maker's site
QString FeedbackPageUrl();  // the feedback page on the maker's site

// The help page shipped with the program (banner.html of site/zilvardo, compiled in), for when
// the online one cannot be loaded: a qrc address, which the help view loads like a web page.
// Its links to the other pages of site/zilvardo work there too. Empty while turned off.
QUrl ShippedHelpPageUrl();
// Tests: whether the help window has the shipped page to fall back on (it has unless turned off).
void SetShippedHelpPageEnabled(bool enabled);
QPixmap OfflinePicture();  // the help window's offline picture (GIF, 150 x 242)
QIcon ApplicationIcon();   // the window icon, 32 x 32 and 16 x 16

}  // namespace zv::resources
