// The desktop program's identity and start-up settings, shared by main() and the tests.
#pragma once

namespace zv::ui {

// The program's name ("zv", which makes the user's data folder ~/.local/share/zv), version,
// desktop entry id and icon; the program ends when no window is left loaded, not when the last
// one is hidden; Qt's own texts are in Latvian where Qt's translation is installed; web and
// mail addresses go to the desktop opener. Then decides the program folder once, with those
// names in place.
void SetUpApplication();

}  // namespace zv::ui
