// The window layout formulas in twips, and the checked arithmetic under them.
#include <QTest>
#include <cfloat>
#include <cmath>
#include <limits>

#include "ui/definitions/twips.h"

using zv::ui::GeometryError;
namespace layout = zv::ui::layout;

Q_DECLARE_METATYPE(GeometryError::Kind)

class TwipsTest : public QObject {
    Q_OBJECT
  private slots:
    // The whole tiling computed from a screen size, as the load handlers chain it.
    void tiling_data() {
        QTest::addColumn<float>("screen_width");
        QTest::addColumn<float>("screen_height");
        QTest::addColumn<float>("main_height");
        QTest::addColumn<float>("main_width");
        QTest::addColumn<double>("input_height");
        QTest::addColumn<double>("input_width");
        QTest::addColumn<float>("preview_left");
        QTest::addColumn<float>("unicode_top");
        QTest::addColumn<float>("unicode_height");
        QTest::newRow("1024x768 px") << 15360.f << 11520.f << 7680.f << 7530.f << 6678.26 << 7171.43
                                     << 7655.f << 7800.f << 3800.f;
        QTest::newRow("12000x9000") << 12000.f << 9000.f << 6000.f << 5850.f << 5217.39 << 5571.43
                                    << 5975.f << 6120.f << 2960.f;
        QTest::newRow("1920x1080 px") << 28800.f << 16200.f << 10800.f << 14250.f << 9391.30
                                      << 13571.43 << 14375.f << 10920.f << 5360.f;
    }
    void tiling() {
        QFETCH(float, screen_width);
        QFETCH(float, screen_height);
        const float height = layout::MainHeight(screen_height);
        const float width = layout::MainWidth(screen_width);
        QFETCH(float, main_height);
        QFETCH(float, main_width);
        QCOMPARE(height, main_height);
        QCOMPARE(width, main_width);
        QFETCH(double, input_height);
        QFETCH(double, input_width);
        QVERIFY(std::fabs(layout::ContentHeight(height) - input_height) < 0.005);
        QVERIFY(std::fabs(layout::ContentWidth(width) - input_width) < 0.005);
        QFETCH(float, preview_left);
        QCOMPARE(layout::PreviewLeft(layout::kMainLeft, width), preview_left);
        QFETCH(float, unicode_top);
        QFETCH(float, unicode_height);
        QCOMPARE(layout::UnicodeTop(height), unicode_top);
        QCOMPARE(layout::UnicodeHeight(screen_height, height), unicode_height);
        // The Unicode window's bottom edge lies 80 twips below the screen.
        QCOMPARE(unicode_top + unicode_height, screen_height + 80);
    }

    // A quotient is computed in double and then stored as float. Each expected value is the
    // float nearest the exact quotient; the same division done in float lands one step off
    // (6678.26123046875, 6600.00048828125, 10285.71484375). They are compared as doubles: a
    // comparison of two floats allows more than that one step.
    void quotient_is_double_then_float_data() {
        QTest::addColumn<float>("outer");
        QTest::addColumn<bool>("height");  // window height / 1.15, else window width / 1.05
        QTest::addColumn<double>("content");
        QTest::newRow("7680 / 1.15") << 7680.f << true << 6678.2607421875;
        QTest::newRow("6930 / 1.05") << 6930.f << false << 6600.0;
        QTest::newRow("10800 / 1.05") << 10800.f << false << 10285.7138671875;
    }
    void quotient_is_double_then_float() {
        QFETCH(float, outer);
        QFETCH(bool, height);
        QFETCH(double, content);
        const double divisor = height ? 1.15 : 1.05;
        QCOMPARE(static_cast<double>(zv::ui::CheckedQuotient(outer, divisor)), content);
        QCOMPARE(static_cast<double>(height ? layout::ContentHeight(outer)
                                            : layout::ContentWidth(outer)),
                 content);
    }

    void faults_data() {
        QTest::addColumn<double>("numerator");
        QTest::addColumn<double>("denominator");
        QTest::addColumn<GeometryError::Kind>("kind");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("x/0") << 7680.0 << 0.0 << GeometryError::Kind::DivisionByZero;
        QTest::newRow("-x/0") << -1.0 << 0.0 << GeometryError::Kind::DivisionByZero;
        QTest::newRow("0/0") << 0.0 << 0.0 << GeometryError::Kind::Invalid;
        QTest::newRow("NaN/x") << nan << 1.15 << GeometryError::Kind::Invalid;
        QTest::newRow("inf/inf") << inf << inf << GeometryError::Kind::Invalid;
        QTest::newRow("beyond float") << 1e39 << 1.05 << GeometryError::Kind::Overflow;
        QTest::newRow("tiny divisor") << 1.0 << 1e-300 << GeometryError::Kind::Overflow;
        QTest::newRow("negative beyond float") << -1e39 << 1.0 << GeometryError::Kind::Overflow;
    }
    void faults() {
        QFETCH(double, numerator);
        QFETCH(double, denominator);
        QFETCH(GeometryError::Kind, kind);
        try {
            zv::ui::CheckedQuotient(numerator, denominator);
            QFAIL("no error raised");
        } catch (const GeometryError& error) {
            QCOMPARE(error.kind(), kind);
        }
    }

    void largest_float_passes() {
        QCOMPARE(zv::ui::CheckedQuotient(FLT_MAX, 1.0), FLT_MAX);
        QVERIFY_THROWS_EXCEPTION(GeometryError, zv::ui::CheckedFloat(FLT_MAX * 2.0));
    }

    // A main window taller than the screen would leave the Unicode window no height at all:
    // then, and only then, it gets the minimum; a small height stays as computed.
    void unicode_height_floor_data() {
        QTest::addColumn<float>("screen_height");
        QTest::addColumn<float>("main_height");
        QTest::addColumn<float>("height");
        QTest::newRow("zero") << 11520.f << 11480.f << 1440.f;
        QTest::newRow("taller than screen") << 11520.f << 20000.f << 1440.f;
        QTest::newRow("720 px main window, 45 px left") << 11520.f << 10800.f << 680.f;
        QTest::newRow("one twip left") << 11520.f << 11479.f << 1.f;
    }
    void unicode_height_floor() {
        QFETCH(float, screen_height);
        QFETCH(float, main_height);
        QFETCH(float, height);
        QCOMPARE(layout::UnicodeHeight(screen_height, main_height), height);
    }

    void pixels_data() {
        QTest::addColumn<float>("twips");
        QTest::addColumn<double>("twips_per_pixel");
        QTest::addColumn<int>("pixels");
        QTest::newRow("105 at 96 dpi") << 105.f << 15.0 << 7;
        QTest::newRow("6678.26 at 96 dpi") << 6678.26f << 15.0 << 445;
        QTest::newRow("3800 at 96 dpi") << 3800.f << 15.0 << 253;
        QTest::newRow("7530 at 144 dpi") << 7530.f << 10.0 << 753;
        QTest::newRow("huge is clamped") << 1e30f << 15.0 << 16777215;
        QTest::newRow("huge negative is clamped") << -1e30f << 15.0 << -16777215;
    }
    void pixels() {
        QFETCH(float, twips);
        QFETCH(double, twips_per_pixel);
        QFETCH(int, pixels);
        QCOMPARE(zv::ui::TwipsToPixels(twips, twips_per_pixel), pixels);
    }
};

QTEST_APPLESS_MAIN(TwipsTest)
#include "test_ui_twips.moc"
