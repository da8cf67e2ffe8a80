// The help window: fills the corner below the preview and right of the Unicode text window,
// sends its view to the online help page, lays it out on resize, close and quit.
//
// A web page that does not load in the view (no name service, no answer within
// kWebPageTimeoutMs, an HTTP error status) gives way to the help page shipped with the program;
// once that shows, the offline picture no longer hides it.
#pragma once

#include <QWebEngineLoadingInfo>

class QTimer;

#include "ui/definitions/form4_definition.h"

namespace zv::ui {

class Form4 : public Form4Definition {
    Q_OBJECT
  public:
    Form4();

    void Form_Load() override;
    void Form_Resize() override;
    void Quit_Click() override;
    void Close_Click() override;

    // Whether a load of a web page ended without the page: it failed, or the server answered
    // with an error status.
    static bool WebPageFailed(QWebEngineLoadingInfo::LoadStatus status,
                              QWebEngineLoadingInfo::ErrorDomain domain, int code);

    // How long a web page may take to load before the shipped page takes its place.
    static constexpr int kWebPageTimeoutMs = 10000;
    void SetWebPageTimeout(int ms);

  private:
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    void ShowShippedHelp();

    QTimer* web_page_timer_ = nullptr;
};

}  // namespace zv::ui
