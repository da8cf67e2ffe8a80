// The help text, the site addresses and the application icon.
#include <QIcon>
#include <QImage>
#include <QLibraryInfo>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <QUrl>

#include "resources/resources.h"
#include "zv/config.h"

namespace {

QString Email() { return QString::fromUtf8(zv::config::kMakerEmail); }

// Opaque colours actually used by an image, and whether any pixel is transparent.
struct ColourUse {
    QSet<QRgb> opaque;
    bool transparent = false;
};

ColourUse UsedColours(const QImage& image) {
    ColourUse use;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            if (qAlpha(p) == 0) {
                use.transparent = true;
            } else {
                use.opaque.insert(p | 0xFF000000u);
            }
        }
    }
    return use;
}

int Count(const QImage& image, QRgb colour) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) n += (argb.pixel(x, y) == colour) ? 1 : 0;
    return n;
}

constexpr QRgb kCyan = 0xFF00FFFFu;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kGrey = 0xFF808080u;

}  // namespace

class ResourcesTest : public QObject {
    Q_OBJECT

  private slots:
    void helpTextEnds_data() {
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<QString>("piece");
        QTest::newRow("start")
            << true
            << QStringLiteral(
                   "<p><big><big>Kas?   Kaa?   Ko?</big></big><p>Ievadi "
                   "(raksti vai ieliimee) tekstu ZV - Teksta Zilvardis </b></i>");
        QTest::newRow("end") << false
                             << QStringLiteral(
                                    "<br><br><br>Driiz: In-line (darbojas visaas programmaas), "
                                    "timeklja un OSX versijas</p>");
    }
    void helpTextEnds() {
        QFETCH(bool, atStart);
        QFETCH(QString, piece);
        const QString text = zv::resources::HelpText();
        if (atStart) {
            QVERIFY2(text.startsWith(piece), qPrintable(text.left(piece.size())));
        } else {
            QVERIFY2(text.endsWith(piece), qPrintable(text.right(piece.size() + 5)));
        }
    }

    // Blanks that an editor or a careless copy would squeeze, and the blanks around the address.
    void helpTextBlankRuns_data() {
        QTest::addColumn<QString>("piece");
        QTest::newRow("three blanks in the title") << QStringLiteral("Kas?   Kaa?   Ko?");
        QTest::newRow("blank before closing tags") << QStringLiteral("Zilvardis </b></i> logaa");
        QTest::newRow("two blanks before kad") << QStringLiteral("</big>teksts  kad klikshkjina");
        QTest::newRow("two blanks after Lieto") << QStringLiteral("Lieto  Unicode kodeeshanas");
        QTest::newRow("blanks around the empty italics")
            << QStringLiteral(". <br>  <i></i>  <br>Luudzu");
        QTest::newRow("line break then a blank") << QStringLiteral("veelaas.<br> Apakshaa");
        QTest::newRow("address between two blanks")
            << QStringLiteral("<p align = center> ") + Email() + QStringLiteral(" <br><br><br>");
    }
    void helpTextBlankRuns() {
        QFETCH(QString, piece);
        QVERIFY2(zv::resources::HelpText().contains(piece), qPrintable(piece));
    }

    void helpTextIsOneLineWithTheAddressOnce() {
        const QString text = zv::resources::HelpText();
        QCOMPARE(text.count(Email()), 1);
        QVERIFY(!text.contains(QLatin1Char('\n')));
        QVERIFY(!text.contains(QLatin1Char('\r')));
        QVERIFY(!text.contains(QLatin1Char('{')));  // no placeholder left over
        // The two fixed parts hold 786 and 87 characters.
        QCOMPARE(text.size(), 786 + Email().size() + 87);
    }

    void siteAddresses_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("path");
        QTest::newRow("help page")
            << zv::resources::HelpPageUrl() << QStringLiteral("/zilvardo/banner.html");
        QTest::newRow("feedback page")
            << zv::resources::FeedbackPageUrl() << QStringLiteral("/zilvardo/feedback.htm");
    }
    void siteAddresses() {
        QFETCH(QString, address);
        QFETCH(QString, path);
        const QUrl url(address, QUrl::StrictMode);
        const QUrl site(QString::fromUtf8(zv::config::kMakerSite));
        QVERIFY2(url.isValid(), qPrintable(address));
        QCOMPARE(url.scheme(), site.scheme());
        QCOMPARE(url.host(), site.host());
        QCOMPARE(url.port(), site.port());
        QCOMPARE(url.path(), path);
        QVERIFY(url.query().isEmpty());
        QVERIFY(url.fragment().isEmpty());
    }

    // Each image: its size, at most its number of colours, and the drawing's own colours.
    void iconImages_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("maxColours");
        QTest::newRow("32 x 32, 2 colours") << QStringLiteral("zv-32x32-2.png") << 32 << 2;
        QTest::newRow("32 x 32, 16 colours") << QStringLiteral("zv-32x32-16.png") << 32 << 16;
        QTest::newRow("16 x 16, 16 colours") << QStringLiteral("zv-16x16-16.png") << 16 << 16;
        QTest::newRow("48 x 48, 16 colours") << QStringLiteral("zv-48x48-16.png") << 48 << 16;
    }
    void iconImages() {
        QFETCH(QString, file);
        QFETCH(int, size);
        QFETCH(int, maxColours);
        QImage image;
        QVERIFY(image.load(QStringLiteral(ZV_SOURCE_DIR "/resources/images/") + file));
        QCOMPARE(image.size(), QSize(size, size));
        // Stored with a palette small enough for the colour count (plus one transparent entry).
        QVERIFY(image.colorCount() > 0);
        QVERIFY2(image.colorCount() <= std::max(maxColours, 3),
                 qPrintable(QString::number(image.colorCount())));
        const ColourUse use = UsedColours(image);
        QVERIFY(use.transparent);
        QVERIFY2(use.opaque.size() <= maxColours, qPrintable(QString::number(use.opaque.size())));
        if (maxColours == 2) {
            QCOMPARE(use.opaque, (QSet<QRgb>{0xFF000000u, kWhite}));
        } else {
            // A white window, its cyan title bar and its grey shadow.
            QVERIFY(Count(image, kWhite) > size * size / 8);
            QVERIFY(Count(image, kCyan) > size * size / 40);
            QVERIFY(Count(image, kGrey) > size * size / 40);
        }
    }

    // The qt.conf built into zv names every folder of Qt's own as Qt itself gives it without one
    // (this test has none): a folder left out would be taken under the prefix instead.
    void builtInQtConfIsQtsOwn_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("key");
        const std::pair<QLibraryInfo::LibraryPath, const char*> kKeys[] = {
            {QLibraryInfo::PrefixPath, "Prefix"},
            {QLibraryInfo::DocumentationPath, "Documentation"},
            {QLibraryInfo::HeadersPath, "Headers"},
            {QLibraryInfo::LibrariesPath, "Libraries"},
            {QLibraryInfo::LibraryExecutablesPath, "LibraryExecutables"},
            {QLibraryInfo::BinariesPath, "Binaries"},
            {QLibraryInfo::PluginsPath, "Plugins"},
            {QLibraryInfo::QmlImportsPath, "QmlImports"},
            {QLibraryInfo::ArchDataPath, "ArchData"},
            {QLibraryInfo::DataPath, "Data"},
            {QLibraryInfo::TranslationsPath, "Translations"},
            {QLibraryInfo::ExamplesPath, "Examples"},
            {QLibraryInfo::TestsPath, "Tests"},
            {QLibraryInfo::SettingsPath, "Settings"}};
        for (const auto& [which, key] : kKeys) {
            QTest::newRow(key) << int(which) << QString::fromLatin1(key);
        }
    }
    void builtInQtConfIsQtsOwn() {
        QFETCH(int, which);
        QFETCH(QString, key);
        const QSettings conf(QStringLiteral(ZV_QT_CONF), QSettings::IniFormat);
        QCOMPARE(conf.value(QStringLiteral("Paths/") + key).toString(),
                 QLibraryInfo::path(QLibraryInfo::LibraryPath(which)));
    }

    void applicationIcon() {
        const QIcon icon = zv::resources::ApplicationIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        QCOMPARE(sizes.count(QSize(32, 32)), 2);
        QCOMPARE(sizes.count(QSize(16, 16)), 1);
        QCOMPARE(sizes.size(), 3);
        // At 32 and 16 the 16-colour drawings are the ones shown.
        for (const int size : {32, 16}) {
            const QImage shown = icon.pixmap(QSize(size, size)).toImage();
            QCOMPARE(shown.size(), QSize(size, size));
            QImage stored;
            QVERIFY(stored.load(
                QStringLiteral(ZV_SOURCE_DIR "/resources/images/zv-%1x%1-16.png").arg(size)));
            QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     stored.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
    }
};

QTEST_MAIN(ResourcesTest)
#include "test_resources.moc"
