#include "ui/main/form1.h"

#include <QDir>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <exception>

#include "document/unicode_document.h"
#include "engine/conversion.h"
#include "engine/line_ends.h"
#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/copy_text.h"
#include "ui/definitions/desktop_opener.h"
#include "ui/definitions/form2_definition.h"
#include "ui/definitions/form3_definition.h"
#include "ui/definitions/form4_definition.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/handlers.h"
#include "ui/definitions/message_box.h"
#include "ui/main/document_location.h"
#include "ui/main/online_state.h"
#include "ui/marks/spell_marks.h"
#include "ui/texts.h"
#include "zv/config.h"

namespace zv::ui {

// The window operations a conversion run needs, over the four windows.
class Form1::RunWindows : public ConversionWindows {
  public:
    // capture, when given, gets the text the run reads and the converted text it publishes.
    explicit RunWindows(Form1& main, RunCapture* capture) : main_(main), capture_(capture) {}

    std::u16string InputText() override {
        // The text as typed, without the box's display breaks; no-break spaces stay. Its line
        // breaks, Enter's and Shift+Enter's alike, become CR LF, as the rule table expects.
        const QString typed = main_.Text1()->Text();
        if (capture_) capture_->typed = typed;
        return WithCrLf(std::u16string_view(QStringView(typed).utf16(),
                                            static_cast<std::size_t>(typed.size())));
    }

    void ShowHint(std::u16string_view message) override {
        ShowMessage(QString::fromUtf16(message.data(), static_cast<qsizetype>(message.size())),
                    MessageStyle::Ok);
    }

    void NavigatePreview() override { TheForms().Form2().WebBrowser1()->Navigate(DocumentPath()); }

    void SetUnicodeText(std::u16string_view text) override {
        const QStringView converted(text.data(), static_cast<qsizetype>(text.size()));
        if (capture_) capture_->converted = converted.toString();
        TheForms().Form3().Text1()->SetText(converted);
    }

    void WriteDocument(std::u16string_view body) override {
        // The preview was sent to the document before it is written. When the write fails,
        // the file there is an older document (or none), so the preview shows an empty page
        // instead until a run succeeds; the error reaches the caller.
        main_.document_written_ = false;
        const QStringView text(body.data(), static_cast<qsizetype>(body.size()));
        try {
            main_.document_stamp_ =
                WriteUnicodeDocument(DocumentVariant::Run, text, ProgramFolder());
        } catch (...) {
            ResumeNext([] { TheForms().Form2().WebBrowser1()->ShowNothing(); });
            throw;
        }
        main_.document_body_ = text.toString();
        main_.document_written_ = true;
    }

  private:
    Form1& main_;
    RunCapture* const capture_;
};

Form1::Form1() {
    marks_ = new SpellMarks(*Text1());  // a child of the box
    marks_->SetRestoreAction(Menu().Restore);
    kept_ = new KeptText(*Text1(), KeptText::DefaultPath(), resources::HelpText());
    connect(Timer1(), &QTimer::timeout, this, [this] {
        // A tick while the previous one still waits on a message box is dropped.
        if (tick_in_progress_) return;
        tick_in_progress_ = true;
        Dispatch([this] { Timer1_Timer(); });
        tick_in_progress_ = false;
    });
}

void Form1::Form_Load() {
    ResumeNext([this] { SetLeft(layout::MainLeft(ScreenArea().left)); });
    ResumeNext([this] { SetHeight(layout::MainHeight(ScreenHeight())); });
    ResumeNext([this] { SetWidth(layout::MainWidth(ScreenWidth())); });
    FitContentControl(*this, Text1());
    ResumeNext([this] { SetFontSize(Text1(), QStringLiteral("12")); });
    ResumeNext([this] { Text1()->SetText(resources::HelpText()); });
    ResumeNext([] { TheForms().Form2().show(); });
    ResumeNext([] { TheForms().Form3().show(); });
    ResumeNext([] { TheForms().Form4().show(); });
    // A failed first run is reported like any other (the document could not be written, say),
    // and startup goes on.
    Dispatch([this] { ConvertText(); });
    ResumeNext([this] {
        // Only the document this run has written: never an older one left in the folder.
        if (!document_written_) return;
        TheForms().Form2().WebBrowser1()->Navigate(DocumentPath());
    });
    ResumeNext([this] { Checkconn(); });
}

void Form1::Form_Resize() {
    // Layout only: the text the user has typed stays.
    FitContentControl(*this, Text1());
    ResumeNext([this] { SetFontSize(Text1(), QStringLiteral("12")); });
}

void Form1::Form_Unload() {
    // First what the user typed, which nothing else keeps.
    kept_->SaveNow();
    TheForms().Unload(FormId::Form3);
    TheForms().Unload(FormId::Form2);
    TheForms().Unload(FormId::Form4);
    // The shutdown document takes the place of the document this instance wrote last, with
    // the same body, so quitting keeps the result. A document written since (by a second
    // instance in the same folder, say) is someone else's and stays; so does a folder where
    // this instance wrote none.
    const std::optional<FileStamp> now = UnicodeDocumentStamp(ProgramFolder());
    if (!document_stamp_ || !now || !(*now == *document_stamp_)) return;
    WriteUnicodeDocument(DocumentVariant::Shutdown, document_body_, ProgramFolder());
}

void Form1::ConvertText() { RunConversion(nullptr); }

void Form1::RunConversion(RunCapture* capture) {
    struct InProgress {
        explicit InProgress(bool& flag) : flag_(flag) { flag_ = true; }
        ~InProgress() { flag_ = false; }
        bool& flag_;
    } in_progress(run_in_progress_);
    RunWindows windows(*this, capture);
    zv::ConvertText(windows);
}

void Form1::Timer1_Timer() {
    // No second run while one waits on its hint box.
    if (run_in_progress_) return;
    if (!Menu().Never->isChecked()) ConvertText();
}

void Form1::Now_Click() { ConvertText(); }

void Form1::every_Click() {
    if (Menu().every->isChecked()) {
        Menu().every->setChecked(false);
    } else {
        Menu().every->setChecked(true);
        Menu().Never->setChecked(false);
    }
}

void Form1::Never_Click() {
    if (!Menu().Never->isChecked()) {
        Menu().Never->setChecked(true);
        Menu().every->setChecked(false);
    } else {
        Menu().Never->setChecked(false);
    }
}

void Form1::select_all_Click() { SelectAllText(Text1()); }

// A run as "Tagad" starts, and its result on the clipboard; also when the document could not be
// written, whose error is told after.
void Form1::copy_text_Click() {
    RunCapture capture;
    std::exception_ptr failed;
    try {
        RunConversion(&capture);
    } catch (...) {
        failed = std::current_exception();
    }
    if (capture.converted) CopyTypedText(capture.typed, *capture.converted);
    if (failed) std::rethrow_exception(failed);
}

void Form1::Restore_Click() { marks_->Restore(); }

void Form1::ShowAndFocus(ZvWindow& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

void Form1::HTML_Click() { ShowAndFocus(TheForms().Form2()); }

void Form1::Unicodedtext_Click() { ShowAndFocus(TheForms().Form3()); }

void Form1::Help_Click() {
    Checkconn();
    ShowAndFocus(TheForms().Form4());
}

const QString Form1::kOfflineMessage = QStringLiteral("Online paligs nav pieejams bez interneta");

// The desktop's query gives no connection name worth keeping, so none is kept.
void Form1::Checkconn() {
    // Errors here go to the caller: the help window cannot even be prepared.
    TheForms().Form4().Picture1()->setVisible(true);
    try {
        if (QueryOnlineState() == kOnline) {
            TheForms().Form4().Picture1()->setVisible(false);
            return;
        }
        ShowMessage(kOfflineMessage, MessageStyle::OkInformation);
    } catch (...) {
        // The state is unknown: the view is sent to the help page, as when offline.
    }
    TheForms().Form4().WebBrowser1()->Navigate(resources::HelpPageUrl());
}

void Form1::OpenFeedback() {
    // A browser that starts tells the user itself when the page cannot be reached; where no
    // program can open it (none can be started, or the desktop's opener reports that it found
    // none), the user gets the address to open elsewhere. The window goes on meanwhile.
    ResumeNext([] {
        const QString address = resources::FeedbackPageUrl();
        OpenOnTheDesktop(QUrl(address), [address] {
            ShowMessage(texts::kNoBrowser + QStringLiteral("\n\n") + address,
                        MessageStyle::OkInformation);
        });
    });
}

void Form1::feedback_Click() { OpenFeedback(); }

void Form1::feedback3_Click() { OpenFeedback(); }

QString Form1::AboutLine() {
    const QString domain = QUrl(QString::fromLatin1(config::kMakerSite)).host();
    const QString rule = QStringLiteral(" -------- ");
    return QStringLiteral("ZV") + rule + QStringLiteral("Teksta Zilvardis") + rule +
           QStringLiteral("v.0.99s") + rule + QStringLiteral("(c) ") +
           QString::fromLatin1(config::kCopyrightYear) + QLatin1Char(' ') + domain;
}

void Form1::About_Click() {
    ResumeNext([] { ShowMessage(AboutLine(), MessageStyle::Ok); });
}

// The text kept from before this start, in place of the box's text: Ctrl+Z brings back what
// the box held.
void Form1::Previous_Click() {
    std::optional<QString> previous;
    try {
        previous = kept_->Previous();
    } catch (const KeptTextError& error) {
        ShowMessage(texts::kKeptUnreadable.arg(QDir::toNativeSeparators(kept_->Path()),
                                               QString::fromUtf8(error.what())),
                    MessageStyle::OkInformation);
        return;
    }
    if (!previous) {
        ShowMessage(texts::kNothingKept, MessageStyle::Ok);
        return;
    }
    Text1()->ReplaceAllForUser(*previous);
}

void Form1::Quit_Click() { TheForms().Quit(); }

}  // namespace zv::ui
