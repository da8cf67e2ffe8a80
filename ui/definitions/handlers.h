// How event handlers deal with errors.
//
// Two modes only:
// - ResumeNext: a step that throws is skipped silently and the handler goes on with the next.
// - Dispatch: every menu, timer and close handler runs through it. An error that escapes the
//   handler is shown in a message box and the program keeps running; no exception ever reaches
//   the Qt event loop.
#pragma once

#include <QAction>
#include <QObject>
#include <QString>
#include <functional>

namespace zv::ui {

// Runs step; any exception it throws is swallowed.
void ResumeNext(const std::function<void()>& step) noexcept;

// Runs handler; an exception that escapes it is reported in a message box. Returns false
// when the handler failed.
bool Dispatch(const std::function<void()>& handler) noexcept;

// The text the dispatcher shows for an error: "Kluda: " and what went wrong, in Latvian for a
// document that cannot be written (the path as it is, the reason by its errno), a geometry
// fault and a lack of memory; otherwise the error's own words.
QString ErrorMessage(const std::exception& error);

// Connects an action's trigger to handler through the dispatcher.
void ConnectHandler(QAction* action, QObject* context, std::function<void()> handler);

// For a check-mark item whose handler decides the marks itself: Qt flips a checkable action's
// mark before it emits triggered, so the flip is undone first and the handler sees the marks
// as they were when the user chose the item.
void ConnectMarkHandler(QAction* action, QObject* context, std::function<void()> handler);

}  // namespace zv::ui
