// The embedded browser view of the preview and help windows.
//
// Navigate() takes a local file path or a web address and returns at once; the view takes the
// address up only once control is back in the event loop, so a handler that asks for the
// document and then writes it shows the new file. Every navigation shows the file's current
// contents, also when the address is the one already shown (a file whose bytes have not
// changed since it was loaded is not loaded again); a local path that is no regular file that
// can be read shows an empty page.
//
// No view runs JavaScript or plug-ins or reads local files from its pages, and a clicked link
// goes only where link_policy.h allows. A view for untrusted content (the preview renders the
// user's own text as HTML) loads nothing but the address it was sent to (no frame, object,
// picture or style sheet from elsewhere), never leaves it, and hands an http, https or mailto
// link that the user clicks to the desktop's default program. The help view loads web pages
// and the pages built into the program, and follows a clicked link in place only to another
// page of the same site.
#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWebEngineView>
#include <optional>

class QWebEngineProfile;

namespace zv::ui {

class LinkPolicyPage;
class SingleAddressInterceptor;

class BrowserView : public QWebEngineView {
    Q_OBJECT
  public:
    enum class Content { Help, Untrusted };

    explicit BrowserView(Content content, QWidget* parent = nullptr);
    ~BrowserView() override;

    // where: a local path, an http/https address, or a qrc address of a page built into the
    // program.
    void Navigate(const QString& where);
    static QUrl AddressToUrl(const QString& where);

    // Shows an empty page, with the same deferral as Navigate.
    void ShowNothing();

    // The address last asked for (empty before the first Navigate).
    QUrl RequestedUrl() const { return requested_; }

    // Display flags kept as plain properties: the view never shows an address bar and always
    // stays inside its window, whatever they say.
    bool AddressBar() const { return address_bar_; }
    void SetAddressBar(bool on) { address_bar_ = on; }
    bool FullScreen() const { return full_screen_; }
    void SetFullScreen(bool on) { full_screen_ = on; }

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void LoadRequested();
    // The bytes of the regular file at path; nothing when it cannot be read at once: a file
    // that is missing or unreadable, a FIFO or device (which could hold the window until
    // someone writes to it), or one that a write of the document would refuse (atomic_file.h).
    static std::optional<QByteArray> FileBytes(const QString& path);

    QWebEngineProfile* profile_ = nullptr;             // the view's own, off the record
    SingleAddressInterceptor* interceptor_ = nullptr;  // of an untrusted view
    LinkPolicyPage* page_ = nullptr;
    QUrl requested_;
    std::optional<QByteArray> shown_bytes_;  // of the local file last loaded
    bool load_queued_ = false;
    bool address_bar_ = true;
    bool full_screen_ = false;
};

}  // namespace zv::ui
