// The windows' own Latvian texts, in one place: the commands the program adds to the menus,
// what screen readers tell of each window's control, the dictionary marks' hover texts and menu
// lines, and the message boxes with their reasons. The commands and descriptions are written
// with the Latvian letters, the boxes without them, as the windows' other boxes are.
//
// Not here, and kept exactly where they are: the windows' own captions and menus, each in its
// definition (definitions/formN_definition.cpp), and their three message boxes (the pairing hint
// in engine/transliterate.h, the About line and the offline notice in main/form1.cpp); and why
// a file cannot be written, the document's own texts (document/write_failure.cpp), which the
// kept text uses too.
#pragma once

#include <QString>

namespace zv::ui::texts {

// Commands that the program adds to the windows' menus.
inline const QString kPreviousText = QStringLiteral("Iepriekšējais teksts");  // main window, "ZV"
inline const QString kCopyText = QStringLiteral("Kopēt tekstu");  // main and Unicode text windows
inline const QString kRestoreMarks = QStringLiteral("Atjaunot garumzīmes");  // main, "Zilvardo"

// What screen readers tell of each window's content control (its name is the window's caption).
inline const QString kMainTextDescription =
    QStringLiteral("Rakstiet vai ielīmējiet šeit tekstu; F5 to pārvērš latviešu burtos");
inline const QString kPreviewDescription =
    QStringLiteral("Pārvērstais teksts, kā to rāda pārlūks, ko kopēt e-pasta vēstulē");
inline const QString kUnicodeTextDescription =
    QStringLiteral("Pārvērstais teksts ar HTML rakstzīmju atsaucēm, ko kopēt HTML redaktorā");
inline const QString kOfflinePictureDescription =
    QStringLiteral("Attēls, ko rāda, kamēr palīdzības lapa nav pieejama");
inline const QString kHelpPageDescription = QStringLiteral("ZV palīdzības lapa");

// A dictionary mark's hover text: "sheema → šēma: vai domājāt shēma (rakstiet s-heema)", a
// line more for each further suggestion; %1 the word as typed, %2 what it gives, then %1 the
// suggestion, %2 what to type for it.
inline const QString kMarkHeading = QStringLiteral("%1 → %2: ");
inline const QString kMarkFirstSuggestion = QStringLiteral("vai domājāt %1 (rakstiet %2)");
inline const QString kMarkOtherSuggestion = QStringLiteral("\nvai arī %1 (rakstiet %2)");
// A suggestion's line in the box's right-click menu: "shēma  (rakstiet s-heema)".
inline const QString kMarkMenuLine = QStringLiteral("%1  (rakstiet %2)");

// The error box of a handler that failed: the prefix and what went wrong.
inline const QString kErrorPrefix = QStringLiteral("Kluda: ");
inline const QString kDivisionByZero = QStringLiteral("dalisana ar nulli");
inline const QString kNumberTooLarge = QStringLiteral("skaitlis ir parak liels");
inline const QString kInvalidNumber = QStringLiteral("nederiga darbiba ar skaitli");
inline const QString kOutOfMemory = QStringLiteral("nepietiek atminas");
inline const QString kUnknownError = QStringLiteral("nezinama kluda");

// Shown, followed by the feedback page's address, when no program can open the page.
inline const QString kNoBrowser = QStringLiteral(
    "Atsauksmju lapu nevar atvert: nav programmas, kas atver timekla adreses. "
    "Atver so adresi parluka:");

// Restoring marks ("Atjaunot garumzīmes") without the lexicon it needs; %1 why.
inline const QString kNoLexicon = QStringLiteral("Garumzimes nevar atjaunot: nav leksikona (%1)");

// The kept text ("Iepriekšējais teksts"): nothing was kept; it may not or cannot be read; it
// cannot be kept (%1 the file, %2 the reason).
inline const QString kNothingKept = QStringLiteral("Ieprieksejais teksts nav saglabats");
inline const QString kKeptUnreadable =
    QStringLiteral("Ieprieksejo tekstu nevar nolasit no faila %1: %2");
inline const QString kKeptNotSaved =
    QStringLiteral("Ierakstito tekstu nevar saglabat faila %1: %2");
// Why the kept text's file or folder is refused (%1 the folder).
inline const QString kKeptFolderNotAFolder = QStringLiteral("%1 nav mape");
inline const QString kKeptFolderNotOwn = QStringLiteral("mape %1 pieder citam lietotajam");
inline const QString kKeptFolderWritable = QStringLiteral("mape %1 ir rakstama citiem");
inline const QString kKeptFileLink = QStringLiteral("ta ir simboliska saite");
inline const QString kKeptFileNotRegular = QStringLiteral("tas nav parasts fails");
inline const QString kKeptFileNotOwn = QStringLiteral("tas pieder citam lietotajam");
inline const QString kKeptFileReplaced = QStringLiteral("ta vieta tika ielikts cits fails");

}  // namespace zv::ui::texts
