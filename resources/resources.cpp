#include "resources/resources.h"

#include <QFile>

#include "zv/config.h"

// The resource file is compiled into this static library; a static library's resources are
// registered only when something refers to them, so every accessor goes through here first.
static void EnsureResourcesRegistered() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(zv_resources);
        return true;
    }();
    (void)registered;
}

namespace zv::resources {

namespace {

// Stands in the stored help text where the maker's feedback address goes.
constexpr QLatin1String kEmailPlaceholder("{maker-email}");

QString MakerSitePath(const char* path) {
    return QString::fromUtf8(config::kMakerSite) + QLatin1String(path);
}

bool& ShippedHelpPageEnabled() {
    static bool enabled = true;
    return enabled;
}

}  // namespace

QString HelpText() {
    EnsureResourcesRegistered();
    QFile file(QStringLiteral(":/zv/help_text.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(kEmailPlaceholder, QString::fromUtf8(config::kMakerEmail));
    return text;
}

QString HelpPageUrl() { return MakerSitePath("/zilvardo/banner.html"); }

QString FeedbackPageUrl() { return MakerSitePath("/zilvardo/feedback.htm"); }

QUrl ShippedHelpPageUrl() {
    if (!ShippedHelpPageEnabled()) return {};
    EnsureResourcesRegistered();
    return QUrl(QStringLiteral("qrc:/zv/zilvardo/banner.html"));
}

void SetShippedHelpPageEnabled(bool enabled) { ShippedHelpPageEnabled() = enabled; }

QPixmap OfflinePicture() {
    EnsureResourcesRegistered();
    return QPixmap(QStringLiteral(":/zv/offline.gif"));
}

QIcon ApplicationIcon() {
    EnsureResourcesRegistered();
    QIcon icon;
    // Of two images of the same size the icon draws the one added last: the 2-colour 32 x 32
    // image goes first, so the 16-colour one is shown and the 2-colour one travels along for
    // displays and exports that ask for few colours.
    icon.addFile(QStringLiteral(":/zv/icon-32x32-2.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/zv/icon-32x32-16.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/zv/icon-16x16-16.png"), QSize(16, 16));
    return icon;
}

}  // namespace zv::resources
