// "Kopēt tekstu": a text put on the clipboard twice, as plain text in Latvian letters (a line
// break a line break, no references, no "<Br>") and as HTML (the converted text, the body the
// preview renders), so that a mail or office program pastes formatted text and a terminal
// pastes letters.
#pragma once

#include <QString>

namespace zv::ui {

// What goes on the clipboard as HTML for a converted text: the body, with its character set
// named, as browsers put a page's part there.
QString ClipboardHtml(const QString& converted);

// The main window's text as typed, and its conversion: the plain text is the one
// `zv-convert --text` gives for typed.
void CopyTypedText(const QString& typed, const QString& converted);

// A converted text (the Unicode text window's): every "<Br>" a line break in the plain text.
void CopyConvertedText(const QString& converted);

}  // namespace zv::ui
