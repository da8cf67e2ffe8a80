// What a page in a browser view may load, where its links may go, and what is handed to the
// desktop's default programs.
//
// Both views run pages with the least they need: no JavaScript, no plug-ins, no access to
// local files. A link the user clicks (with the mouse or the Enter key, on the page itself or
// towards a new window) goes somewhere only when it is http, https or mailto: to the desktop's
// default browser or mail program, or, in the help view, in place when it stays on the site
// the view was sent to. Every other scheme (file, smb, ssh, ...) is refused. A mailto link
// loses any attach or attachment field first, with which some mail programs attach a local
// file.
#pragma once

#include <QElapsedTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>
#include <deque>

class QWebEngineSettings;

namespace zv::ui {

// Sets a view's settings so that its pages run with the least they need: no JavaScript, no
// plug-ins, and no local page that reads files or remote addresses (pictures are shown).
void RunWithTheLeast(QWebEngineSettings* settings);

// http, https or mailto: the addresses the desktop's browser or mail program may be given.
bool IsForTheDesktop(const QUrl& url);

// The address without the fields of a mailto query named attach or attachment (in any case);
// other addresses unchanged.
QUrl WithoutAttachments(const QUrl& url);

// Hands an address that IsForTheDesktop to the desktop's default program (without its
// attachments) through the desktop opener, silently; refuses anything else. Returns whether it
// was handed on.
bool HandToTheDesktop(const QUrl& url);

// Lets through requests for one address only; everything else a page asks for (scripts,
// pictures, style sheets, frames, other local files, remote addresses) is blocked.
class SingleAddressInterceptor : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void Allow(const QUrl& url);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

  private:
    QUrl allowed_;
};

// Lets through web requests (http, https) and the pages built into the program (qrc); blocks
// local files and every other scheme.
class WebOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

// A page that goes nowhere by itself. It follows the program's own navigation; frames load
// nothing, and neither meta refresh, form submission nor new windows leave the page. A link
// that the user clicks goes to the desktop (see above); a page that FollowsItsSite also follows
// a clicked link to another page of its site in place (and a server's redirect to a web page).
class LinkPolicyPage : public QWebEnginePage {
  public:
    enum class Links { ToTheDesktop, FollowsItsSite };

    LinkPolicyPage(Links links, QWebEngineProfile* profile, QObject* parent);

    // The program's own navigation: the only one the page follows by itself.
    void Expect(const QUrl& url) { expected_ = url; }

    // A mouse click or the Enter key has reached the view: one link navigation that follows
    // it soon is the user's. (Clicks come before the navigations they start, which may come
    // after the next click.)
    void NoteUserActivation();

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

  private:
    static constexpr qint64 kActivationMs = 2000;
    static constexpr std::size_t kMostActivations = 8;

    bool TakeActivation();
    bool OnTheSite(const QUrl& url) const;

    Links links_;
    QUrl expected_;
    QElapsedTimer clock_;
    std::deque<qint64> activations_;  // when each not yet used activation came
};

}  // namespace zv::ui
