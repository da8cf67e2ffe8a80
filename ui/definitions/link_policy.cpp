#include "ui/definitions/link_policy.h"

#include <QWebEngineNewWindowRequest>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>

#include "ui/definitions/desktop_opener.h"

namespace zv::ui {

namespace {

bool IsWeb(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool IsBuiltIn(const QUrl& url) { return url.scheme().toLower() == QLatin1String("qrc"); }

bool Same(const QUrl& a, const QUrl& b) {
    const auto plain = QUrl::RemoveFragment | QUrl::NormalizePathSegments;
    return a.adjusted(plain) == b.adjusted(plain);
}

// A field that makes some mail programs attach the named file.
bool IsAttachmentField(QStringView field) {
    const QString name =
        QUrl::fromPercentEncoding(field.left(field.indexOf(QLatin1Char('='))).toUtf8()).trimmed();
    return name.compare(QLatin1String("attach"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("attachment"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void RunWithTheLeast(QWebEngineSettings* settings) {
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
}

bool IsForTheDesktop(const QUrl& url) {
    return url.isValid() && (IsWeb(url) || url.scheme().toLower() == QLatin1String("mailto"));
}

QUrl WithoutAttachments(const QUrl& url) {
    if (url.scheme().toLower() != QLatin1String("mailto") || !url.hasQuery()) return url;
    // Fields are split at '&' and, as some programs also do, at ';'; the separators and the
    // fields kept stay exactly as they were.
    const QString query = url.query(QUrl::FullyEncoded);
    QString kept;
    qsizetype start = 0;
    while (start <= query.size()) {
        qsizetype end = start;
        while (end < query.size() && query[end] != QLatin1Char('&') &&
               query[end] != QLatin1Char(';'))
            ++end;
        const QStringView field = QStringView(query).mid(start, end - start);
        if (!IsAttachmentField(field)) {
            if (!kept.isEmpty()) kept += start > 0 ? query[start - 1] : QLatin1Char('&');
            kept += field;
        }
        start = end + 1;
    }
    QUrl result = url;
    result.setQuery(kept.isEmpty() ? QString() : kept, QUrl::StrictMode);
    return result;
}

bool HandToTheDesktop(const QUrl& url) {
    if (!IsForTheDesktop(url)) return false;
    // No box when nothing can open it: the link simply goes nowhere, as a refused one does.
    OpenOnTheDesktop(WithoutAttachments(url), nullptr);
    return true;
}

void SingleAddressInterceptor::Allow(const QUrl& url) {
    allowed_ = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::NormalizePathSegments);
}

void SingleAddressInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl requested = info.requestUrl().adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment |
                                                      QUrl::NormalizePathSegments);
    if (allowed_.isEmpty() || requested != allowed_) info.block(true);
}

void WebOnlyInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl& url = info.requestUrl();
    if (!IsWeb(url) && !IsBuiltIn(url)) info.block(true);
}

LinkPolicyPage::LinkPolicyPage(Links links, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), links_(links) {
    // A link towards a new window (target=_blank, a named target, <base target>) comes here
    // instead of to acceptNavigationRequest; no window is made for it.
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                if (request.isUserInitiated() && TakeActivation())
                    HandToTheDesktop(request.requestedUrl());
            });
}

void LinkPolicyPage::NoteUserActivation() {
    if (!clock_.isValid()) clock_.start();
    if (activations_.size() < kMostActivations) activations_.push_back(clock_.elapsed());
}

bool LinkPolicyPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                             bool is_main_frame) {
    if (!is_main_frame) return false;
    const bool follows_its_site = links_ == Links::FollowsItsSite;
    switch (type) {
        case NavigationTypeLinkClicked:
            if (!TakeActivation()) return false;
            if (follows_its_site && OnTheSite(url)) return true;
            HandToTheDesktop(url);
            return false;
        case NavigationTypeTyped:
        case NavigationTypeReload:
        case NavigationTypeOther:
            return !expected_.isEmpty() && Same(url, expected_);
        case NavigationTypeRedirect:
            // The server of a page the view was sent to, or that the user followed.
            return follows_its_site && IsWeb(url);
        case NavigationTypeBackForward:
            return follows_its_site && OnTheSite(url);
        default:
            return false;
    }
}

bool LinkPolicyPage::TakeActivation() {
    while (!activations_.empty() && clock_.elapsed() - activations_.front() > kActivationMs) {
        activations_.pop_front();
    }
    if (activations_.empty()) return false;
    activations_.pop_front();
    return true;
}

bool LinkPolicyPage::OnTheSite(const QUrl& url) const {
    if (expected_.isEmpty() || !url.isValid()) return false;
    if (IsBuiltIn(expected_)) return IsBuiltIn(url);
    return IsWeb(expected_) && IsWeb(url) &&
           url.host().compare(expected_.host(), Qt::CaseInsensitive) == 0 &&
           url.port() == expected_.port();
}

}  // namespace zv::ui
