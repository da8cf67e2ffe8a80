#include "ui/definitions/browser_view.h"

#include <QChildEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMetaObject>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <deque>

namespace zv::ui {

// Lets through requests for one address only; everything else a page asks for (scripts,
// pictures, style sheets, frames, other local files, remote addresses) is blocked.
class SingleAddressInterceptor : public QWebEngineUrlRequestInterceptor {
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void Allow(const QUrl& url) { allowed_ = Normalized(url); }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (allowed_.isEmpty() || Normalized(info.requestUrl()) != allowed_) info.block(true);
    }

  private:
    static QUrl Normalized(const QUrl& url) {
        return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::NormalizePathSegments);
    }

    QUrl allowed_;
};

// A page that goes nowhere by itself. It shows what the program sends it to; frames,
// objects and embeds load nothing, and neither meta refresh, form submission, redirects nor
// new windows leave the page. Only a link that the user clicks on the page itself leaves it,
// and only for the default browser or mail program (http, https, mailto); the page stays.
class UntrustedPage : public QWebEnginePage {
  public:
    using QWebEnginePage::QWebEnginePage;

    // The program's own navigation: the only one the page follows.
    void Expect(const QUrl& url) { expected_ = url; }

    // A mouse click or the Enter key has reached the view: one link navigation that follows
    // it soon is the user's. (Clicks come before the navigations they start, which may come
    // after the next click.)
    void NoteUserActivation() {
        if (!clock_.isValid()) clock_.start();
        if (activations_.size() < kMostActivations) activations_.push_back(clock_.elapsed());
    }

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type,
                                 bool is_main_frame) override {
        if (!is_main_frame) return false;
        if (type == NavigationTypeLinkClicked) {
            if (TakeActivation() && IsForTheDesktop(url)) QDesktopServices::openUrl(url);
            return false;
        }
        const bool own = type == NavigationTypeTyped || type == NavigationTypeReload ||
                         type == NavigationTypeOther;
        return own && !expected_.isEmpty() && Same(url, expected_);
    }

    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

  private:
    static constexpr qint64 kActivationMs = 2000;
    static constexpr std::size_t kMostActivations = 8;

    bool TakeActivation() {
        while (!activations_.empty() && clock_.elapsed() - activations_.front() > kActivationMs) {
            activations_.pop_front();
        }
        if (activations_.empty()) return false;
        activations_.pop_front();
        return true;
    }

    static bool IsForTheDesktop(const QUrl& url) {
        const QString scheme = url.scheme().toLower();
        return url.isValid() &&
               (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                scheme == QLatin1String("mailto"));
    }

    static bool Same(const QUrl& a, const QUrl& b) {
        const auto plain = QUrl::RemoveFragment | QUrl::NormalizePathSegments;
        return a.adjusted(plain) == b.adjusted(plain);
    }

    QUrl expected_;
    QElapsedTimer clock_;
    std::deque<qint64> activations_;  // when each not yet used activation came
};

BrowserView::BrowserView(Content content, QWidget* parent) : QWebEngineView(parent) {
    if (content == Content::Untrusted) {
        profile_ = new QWebEngineProfile(this);  // no storage name: off the record
        interceptor_ = new SingleAddressInterceptor(profile_);
        profile_->setUrlRequestInterceptor(interceptor_);
        QWebEngineSettings* settings = profile_->settings();
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
        untrusted_page_ = new UntrustedPage(profile_, this);
        page_ = untrusted_page_;
    } else {
        page_ = new QWebEnginePage(this);
    }
    setPage(page_);
    // A load of the address asked for that failed is tried again at the next navigation,
    // whatever the file holds. (A navigation that the page refused elsewhere also ends as a
    // failed load, while the document stays.)
    connect(page_, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
                    info.url().adjusted(QUrl::RemoveFragment) ==
                        requested_.adjusted(QUrl::RemoveFragment)) {
                    shown_bytes_.reset();
                }
            });
}

BrowserView::~BrowserView() {
    // The page must go before the profile it was made from.
    delete page_;
    page_ = nullptr;
}

QUrl BrowserView::AddressToUrl(const QString& where) {
    const QUrl url(where, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
        return url;
    }
    return QUrl::fromLocalFile(QDir::cleanPath(where));
}

void BrowserView::Navigate(const QString& where) {
    requested_ = AddressToUrl(where);
    if (load_queued_) return;
    load_queued_ = true;
    QMetaObject::invokeMethod(this, &BrowserView::LoadRequested, Qt::QueuedConnection);
}

void BrowserView::ShowNothing() {
    requested_ = QUrl(QStringLiteral("about:blank"));
    if (load_queued_) return;
    load_queued_ = true;
    QMetaObject::invokeMethod(this, &BrowserView::LoadRequested, Qt::QueuedConnection);
}

bool BrowserView::event(QEvent* event) {
    // The view's input arrives at a child widget that the view makes itself.
    if (event->type() == QEvent::ChildAdded && untrusted_page_ != nullptr) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
    if (untrusted_page_ != nullptr) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonRelease) {
            untrusted_page_->NoteUserActivation();
        } else if (type == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                untrusted_page_->NoteUserActivation();
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

void BrowserView::LoadRequested() {
    load_queued_ = false;
    if (interceptor_ != nullptr) interceptor_->Allow(requested_);
    if (untrusted_page_ != nullptr) untrusted_page_->Expect(requested_);
    // A local file is loaded again only when its bytes have changed: a large document takes
    // the view long to load, and automatic conversion asks for it every few seconds.
    std::optional<QByteArray> bytes;
    if (requested_.isLocalFile()) bytes = FileBytes(requested_.toLocalFile());
    if (page_->url() == requested_) {
        if (bytes && shown_bytes_ && *bytes == *shown_bytes_) return;
        // Same address again: the file has been rewritten, so skip every cache.
        page_->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    } else {
        page_->load(requested_);
    }
    shown_bytes_ = std::move(bytes);
}

std::optional<QByteArray> BrowserView::FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

}  // namespace zv::ui
