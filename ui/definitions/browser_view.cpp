#include "ui/definitions/browser_view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QChildEvent>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMetaObject>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>

#include "atomic_file/atomic_file.h"
#include "ui/definitions/link_policy.h"

namespace zv::ui {

BrowserView::BrowserView(Content content, QWidget* parent) : QWebEngineView(parent) {
    // Each view has an off-the-record profile of its own (no storage name): nothing of its
    // pages is kept on disk, and its settings and filter apply to it alone.
    profile_ = new QWebEngineProfile(this);
    RunWithTheLeast(profile_->settings());
    if (content == Content::Untrusted) {
        interceptor_ = new SingleAddressInterceptor(profile_);
        profile_->setUrlRequestInterceptor(interceptor_);
        page_ = new LinkPolicyPage(LinkPolicyPage::Links::ToTheDesktop, profile_, this);
    } else {
        profile_->setUrlRequestInterceptor(new WebOnlyInterceptor(profile_));
        page_ = new LinkPolicyPage(LinkPolicyPage::Links::FollowsItsSite, profile_, this);
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
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                          scheme == QLatin1String("qrc"))) {
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
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (page_ == nullptr) {
        // Being destroyed.
    } else if (type == QEvent::MouseButtonRelease) {
        page_->NoteUserActivation();
    } else if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) page_->NoteUserActivation();
    }
    return QWebEngineView::eventFilter(watched, event);
}

void BrowserView::LoadRequested() {
    load_queued_ = false;
    QUrl address = requested_;
    // A local file is loaded again only when its bytes have changed: a large document takes
    // the view long to load, and automatic conversion asks for it every few seconds.
    std::optional<QByteArray> bytes;
    if (requested_.isLocalFile()) {
        bytes = FileBytes(requested_.toLocalFile());
        // Nothing that could be read at once (gone, or a FIFO put in the document's place):
        // the view is not sent there either, where its reader could wait for ever.
        if (!bytes) address = QUrl(QStringLiteral("about:blank"));
    }
    if (interceptor_ != nullptr) interceptor_->Allow(address);
    page_->Expect(address);
    if (page_->url() == address) {
        if (bytes && shown_bytes_ && *bytes == *shown_bytes_) return;
        // Same address again: the file has been rewritten, so skip every cache.
        page_->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    } else {
        page_->load(address);
    }
    shown_bytes_ = std::move(bytes);
}

std::optional<QByteArray> BrowserView::FileBytes(const QString& path) {
    // Links are followed as a write of the document follows them; the file itself is opened
    // without waiting, and read only when it is a regular file.
    std::string file;
    try {
        file = FindWriteTarget(QFile::encodeName(path).toStdString()).path;
    } catch (const AtomicFileError&) {
        return std::nullopt;
    }
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QFile reader;
    if (!reader.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    return reader.readAll();
}

}  // namespace zv::ui
