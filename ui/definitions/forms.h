// The four windows, reached by name.
//
// Each window exists at most once. Touching one that is not loaded (Form1() .. Form4()) creates
// it from its definition and runs its load handler without showing it. Unload destroys a window;
// unloading one that is not loaded does nothing. The program ends when no window is left loaded.
#pragma once

#include <QRect>
#include <QString>
#include <functional>

#include "ui/definitions/window.h"

namespace zv::ui {

class Form1Definition;
class Form2Definition;
class Form3Definition;
class Form4Definition;

class Forms {
  public:
    virtual ~Forms() = default;

    virtual Form1Definition& Form1() = 0;
    virtual Form2Definition& Form2() = 0;
    virtual Form3Definition& Form3() = 0;
    virtual Form4Definition& Form4() = 0;

    virtual bool IsLoaded(FormId id) const = 0;
    virtual void Unload(FormId id) = 0;

    // The quit sequence of every window's quit command: Form3, Form2, Form1, Form4.
    void Quit();
};

// The registry the windows use; raises std::logic_error when none is installed.
Forms& TheForms();
void InstallForms(Forms* forms);

// The part of the primary screen that windows are tiled in: its available geometry, without
// the desktop's panels, docks and taskbars (the whole screen where there are none), in pixels.
QRect ScreenAreaPixels();
// The same in twips: left and top edge, width and height.
TwipsRect ScreenArea();
float ScreenWidth();   // ScreenArea().width
float ScreenHeight();  // ScreenArea().height

// Replaces the query of the area in pixels (tests). An empty function restores the screen's.
using ScreenAreaQuery = std::function<QRect()>;
void SetScreenAreaQuery(ScreenAreaQuery query);

}  // namespace zv::ui
