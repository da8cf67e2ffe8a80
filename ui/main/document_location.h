// Where the desktop program keeps unitext.html: the program folder.
//
// The program folder is the executable's folder when the user can write there (the build tree,
// a folder of the user's own), otherwise the user's data folder (installed under /usr/bin, on a
// read-only mount, or where someone else has put a document or a link in its place). It is
// decided once, at the first call of ProgramFolder or by DecideProgramFolder; SetProgramFolder
// overrides it. Every conversion writes the document there and the preview reads it from there.
#pragma once

#include <QString>

namespace zv::ui {

QString ProgramFolder();
void SetProgramFolder(const QString& folder);  // empty: the decided folder again

// The document's path in the program folder.
QString DocumentPath();

// Makes the decision now, from the executable's folder and AppLocalDataLocation; call it once
// the application's names are set.
void DecideProgramFolder();

// executable_folder when a file can be created in it, the document there may be written (see
// DocumentAllowedIn) and it is not one of the system's program folders (where the program
// lives once installed), otherwise data_folder, created if missing.
QString ChooseProgramFolder(const QString& executable_folder, const QString& data_folder);

// Whether unitext.html in folder may be written by the rules of every write (AtomicFile): not
// when it is a symbolic link the user may not follow, nor a file, FIFO or device that someone
// else put there in a folder others may write to.
bool DocumentAllowedIn(const QString& folder);

// Whether folder is where installed programs live (/usr/bin and the like, or the folder this
// build installs its programs to).
bool IsSystemProgramFolder(const QString& folder);

// Whether folder is an existing folder the user may write and in which a file can really be
// created and removed (permission bits stop nothing for root; a read-only mount stops all).
bool CanWriteInto(const QString& folder);

}  // namespace zv::ui
