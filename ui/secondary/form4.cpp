#include "ui/secondary/form4.h"

#include <QLabel>
#include <QTimer>
#include <QWebEnginePage>

#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/form2_definition.h"
#include "ui/definitions/form3_definition.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/handlers.h"

namespace zv::ui {

Form4::Form4() {
    web_page_timer_ = new QTimer(this);
    web_page_timer_->setSingleShot(true);
    web_page_timer_->setInterval(kWebPageTimeoutMs);
    connect(web_page_timer_, &QTimer::timeout, this,
            [this] { Dispatch([this] { ShowShippedHelp(); }); });
    connect(WebBrowser1()->page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) { Dispatch([&] { LoadingChanged(info); }); });
}

void Form4::SetWebPageTimeout(int ms) { web_page_timer_->setInterval(ms); }

bool Form4::WebPageFailed(QWebEngineLoadingInfo::LoadStatus status,
                          QWebEngineLoadingInfo::ErrorDomain domain, int code) {
    // Qt 6.4 reports an error status as a failed load; a page that came with one counts too.
    if (status == QWebEngineLoadingInfo::LoadFailedStatus) return true;
    return status == QWebEngineLoadingInfo::LoadSucceededStatus &&
           domain == QWebEngineLoadingInfo::HttpStatusCodeDomain && code >= 400;
}

void Form4::LoadingChanged(const QWebEngineLoadingInfo& info) {
    const QUrl url = info.url();
    const QString scheme = url.scheme();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    // Only the web page now loading may run out of time.
    if (web && info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        web_page_timer_->start();
    } else {
        web_page_timer_->stop();
    }
    const QUrl shipped = resources::ShippedHelpPageUrl();
    if (!shipped.isEmpty() && url.matches(shipped, QUrl::RemoveFragment | QUrl::RemoveQuery)) {
        // The shipped page is help too: the picture no longer needs to stand in for it.
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
            Picture1()->setVisible(false);
        }
        return;
    }
    if (web && WebPageFailed(info.status(), info.errorDomain(), info.errorCode())) {
        ShowShippedHelp();
    }
}

void Form4::ShowShippedHelp() {
    web_page_timer_->stop();
    const QUrl shipped = resources::ShippedHelpPageUrl();
    if (!shipped.isEmpty()) WebBrowser1()->Navigate(shipped.toString());
}

void Form4::Form_Load() {
    Form3Definition& unicode_window = TheForms().Form3();
    const float height = unicode_window.Height();
    SetHeight(height);
    SetTop(unicode_window.Top());
    Form2Definition& preview = TheForms().Form2();
    SetLeft(preview.Left());
    const float width = preview.Width();
    SetWidth(width);
    WebBrowser1()->SetAddressBar(false);
    WebBrowser1()->SetFullScreen(true);
    SetControlPlace(WebBrowser1(), &TwipsRect::left, layout::kContentOffset);
    SetControlPlace(WebBrowser1(), &TwipsRect::top, layout::kContentOffset);
    SetControlPlace(WebBrowser1(), &TwipsRect::width, layout::ContentWidth(width));
    SetControlPlace(WebBrowser1(), &TwipsRect::height, layout::ContentHeight(height));
    WebBrowser1()->Navigate(resources::HelpPageUrl());
}

void Form4::Form_Resize() {
    ResumeNext([this] { WebBrowser1()->SetAddressBar(false); });
    ResumeNext([this] { WebBrowser1()->SetFullScreen(true); });
    FitContentControl(*this, WebBrowser1());
}

void Form4::Quit_Click() { TheForms().Quit(); }

void Form4::Close_Click() { hide(); }

}  // namespace zv::ui
