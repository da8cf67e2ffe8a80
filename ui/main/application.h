// The desktop program's identity and start-up settings, shared by main() and the tests.
#pragma once

namespace zv::ui {

// The program's name ("zv", which makes the user's data folder ~/.local/share/zv), version,
// desktop entry id and icon; the program ends when no window is left loaded, not when the last
// one is hidden; Qt's own texts are in Latvian where Qt's translation is installed; web and
// mail addresses go to the desktop opener. Then decides the program folder once, with those
// names in place.
void SetUpApplication();

// Qt looks for plug-ins in the program's own folder too, which may be one that others can
// write to (zv copied into /tmp/x): anyone could put a plug-in there that would then run inside
// the program. From this call on, Qt loads plug-ins only from its installed folder and from
// folders the user names in QT_PLUGIN_PATH. Call it before the QApplication is made: making it
// loads the first plug-ins (the window system's, the theme's, the input method's).
void KeepPlugInsOutOfTheProgramFolder();

}  // namespace zv::ui
