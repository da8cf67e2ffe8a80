#include "ui/definitions/browser_view.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

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

namespace {

// A page that follows no link itself: a clicked link goes to the default browser.
class UntrustedPage : public QWebEnginePage {
  public:
    using QWebEnginePage::QWebEnginePage;

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type,
                                 bool is_main_frame) override {
        if (type == NavigationTypeLinkClicked) {
            QDesktopServices::openUrl(url);
            return false;
        }
        return is_main_frame;
    }

    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

}  // namespace

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
        page_ = new UntrustedPage(profile_, this);
    } else {
        page_ = new QWebEnginePage(this);
    }
    setPage(page_);
    // A load that failed is tried again at the next navigation, whatever the file holds.
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (!ok) shown_bytes_.reset();
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

void BrowserView::LoadRequested() {
    load_queued_ = false;
    if (interceptor_ != nullptr) interceptor_->Allow(requested_);
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
