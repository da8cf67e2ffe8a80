// Opening an address with the desktop's default program, and learning when nothing could open it.
//
// The desktop's opener is xdg-open. It runs as a process of its own, started without waiting,
// so that its exit status is seen: it starts the user's browser or mail program and exits 0, or
// exits with an error when nothing can open the address. Its end is watched from the event loop;
// a run still going after kSettleMs counts as a success (in some desktops xdg-open stays for as
// long as the browser it started). It is never stopped, not even when the program quits. Without
// xdg-open, Qt's own choice for the desktop is used, which tells only whether something started.
//
// The opener is QDesktopServices' handler of http, https and mailto addresses, so every
// QDesktopServices::openUrl of those goes through it, and a handler set in its place (as tests
// do) takes the address instead, with nothing started.
#pragma once

#include <QUrl>
#include <functional>

namespace zv::ui {

inline constexpr int kSettleMs = 5000;

// The time after which a run counts as having opened the address: kSettleMs unless a test set
// another (0: any run counts, however soon it ends).
void SetSettleTime(int ms);

// Makes the desktop opener the handler of http, https and mailto addresses (again, when another
// handler took its place meanwhile).
void InstallDesktopOpener();

// Hands url to QDesktopServices::openUrl. failed runs on this thread, at once or later from the
// event loop, when no program could open the address: none could be started, or the opener
// ended with an error (or by a signal) within kSettleMs. An exception from failed is dropped.
void OpenOnTheDesktop(const QUrl& url, std::function<void()> failed);

// Runs of the opener not yet ended (or, when one failed, not yet done reporting it).
int DesktopOpenerRuns();

}  // namespace zv::ui
