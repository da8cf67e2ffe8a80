// The four windows, reached by name.
//
// Each window exists at most once. Touching one that is not loaded (Form1() .. Form4()) creates
// it from its definition and runs its load handler without showing it. Unload destroys a window;
// unloading one that is not loaded does nothing. The program ends when no window is left loaded.
#pragma once

#include <QString>

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

// The program folder, where the document is written and the preview reads it: the
// executable's folder when the user can write there (the build tree, a folder of the user's
// own), otherwise the user's data folder (installed under /usr/bin, on a read-only mount).
// Decided once, at the first call or by DecideProgramFolder; SetProgramFolder overrides it.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);  // empty: the decided folder again

// Makes the decision now, from the executable's folder and AppLocalDataLocation; call it once
// the application's names are set.
void DecideProgramFolder();

// executable_folder when a file can be created in it and it is not one of the system's
// program folders (where the program lives once installed), otherwise data_folder, created if
// missing.
QString ChooseProgramFolder(const QString& executable_folder, const QString& data_folder);

// Whether folder is where installed programs live (/usr/bin and the like, or the folder this
// build installs its programs to).
bool IsSystemProgramFolder(const QString& folder);

// Whether folder is an existing folder the user may write and in which a file can really be
// created and removed (permission bits stop nothing for root; a read-only mount stops all).
bool CanWriteInto(const QString& folder);

// The primary screen's size in twips.
float ScreenWidth();
float ScreenHeight();

}  // namespace zv::ui
