// Checks the offline picture byte by byte as a GIF file, and as Qt decodes it.
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <optional>
#include <stdexcept>
#include <vector>

#include "resources/resources.h"

namespace {

struct Rgb {
    int r, g, b;
};

// The block structure of a GIF file, as far as these tests look at it.
struct GifLayout {
    QByteArray signature;
    int screenWidth = 0;
    int screenHeight = 0;
    bool hasGlobalTable = false;
    int globalTableSize = 0;
    std::vector<Rgb> globalTable;
    int graphicControlCount = 0;
    bool transparencyFlag = false;
    int transparentIndex = -1;
    int imageCount = 0;
    bool interlaced = false;
    bool localTable = false;
    int imageLeft = -1, imageTop = -1, imageWidth = 0, imageHeight = 0;
    bool trailerIsLast = false;
};

class Reader {
  public:
    explicit Reader(const QByteArray& data) : data_(data) {}
    bool AtEnd() const { return pos_ >= data_.size(); }
    qsizetype Pos() const { return pos_; }
    int Byte() {
        if (AtEnd()) throw std::out_of_range("GIF ends early");
        return static_cast<unsigned char>(data_[pos_++]);
    }
    int Word() {
        const int low = Byte();
        return low | (Byte() << 8);
    }
    QByteArray Bytes(int n) {
        if (pos_ + n > data_.size()) throw std::out_of_range("GIF ends early");
        QByteArray out = data_.mid(pos_, n);
        pos_ += n;
        return out;
    }
    void SkipSubBlocks() {
        for (int size = Byte(); size != 0; size = Byte()) Bytes(size);
    }

  private:
    const QByteArray& data_;
    qsizetype pos_ = 0;
};

// Walks the blocks; returns nothing when the stream is malformed.
std::optional<GifLayout> ParseGif(const QByteArray& data) {
    GifLayout gif;
    Reader in(data);
    try {
        gif.signature = in.Bytes(6);
        gif.screenWidth = in.Word();
        gif.screenHeight = in.Word();
        const int packed = in.Byte();
        in.Byte();  // background colour index
        in.Byte();  // pixel aspect ratio
        gif.hasGlobalTable = (packed & 0x80) != 0;
        if (gif.hasGlobalTable) {
            gif.globalTableSize = 1 << ((packed & 0x07) + 1);
            for (int i = 0; i < gif.globalTableSize; ++i) {
                const int r = in.Byte();
                const int g = in.Byte();
                gif.globalTable.push_back({r, g, in.Byte()});
            }
        }
        for (;;) {
            const int introducer = in.Byte();
            if (introducer == 0x3B) {
                gif.trailerIsLast = in.AtEnd();
                return gif;
            }
            if (introducer == 0x21) {
                const int label = in.Byte();
                if (label == 0xF9) {
                    ++gif.graphicControlCount;
                    if (in.Byte() != 4) return std::nullopt;
                    const int flags = in.Byte();
                    in.Word();  // delay
                    gif.transparencyFlag = (flags & 0x01) != 0;
                    gif.transparentIndex = in.Byte();
                    if (in.Byte() != 0) return std::nullopt;
                } else {
                    in.SkipSubBlocks();
                }
            } else if (introducer == 0x2C) {
                ++gif.imageCount;
                gif.imageLeft = in.Word();
                gif.imageTop = in.Word();
                gif.imageWidth = in.Word();
                gif.imageHeight = in.Word();
                const int flags = in.Byte();
                gif.localTable = (flags & 0x80) != 0;
                gif.interlaced = (flags & 0x40) != 0;
                if (gif.localTable) in.Bytes(3 * (1 << ((flags & 0x07) + 1)));
                const int minCodeSize = in.Byte();
                if (minCodeSize < 2 || minCodeSize > 8) return std::nullopt;
                in.SkipSubBlocks();
            } else {
                return std::nullopt;
            }
        }
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

QByteArray CommittedPicture() {
    QFile file(QStringLiteral(ZV_SOURCE_DIR "/resources/offline.gif"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

constexpr int kWidth = 150;
constexpr int kHeight = 242;
constexpr int kTransparent = 6;

}  // namespace

class OfflinePictureTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        bytes_ = CommittedPicture();
        QVERIFY2(!bytes_.isEmpty(), "resources/offline.gif cannot be read");
        auto parsed = ParseGif(bytes_);
        QVERIFY2(parsed.has_value(), "offline.gif is not a well-formed GIF");
        gif_ = *parsed;
    }

    void fileFormat() {
        QCOMPARE(gif_.signature, QByteArray("GIF89a"));
        QCOMPARE(gif_.screenWidth, kWidth);
        QCOMPARE(gif_.screenHeight, kHeight);
        QVERIFY(gif_.hasGlobalTable);
        QCOMPARE(gif_.globalTableSize, 8);
        QCOMPARE(gif_.imageCount, 1);
        QCOMPARE(gif_.imageLeft, 0);
        QCOMPARE(gif_.imageTop, 0);
        QCOMPARE(gif_.imageWidth, kWidth);
        QCOMPARE(gif_.imageHeight, kHeight);
        QVERIFY(!gif_.interlaced);
        QVERIFY(!gif_.localTable);
        QCOMPARE(gif_.graphicControlCount, 1);
        QVERIFY(gif_.transparencyFlag);
        QCOMPARE(gif_.transparentIndex, kTransparent);
        QVERIFY2(gif_.trailerIsLast, "the trailer must be the file's last byte");
    }

    void globalColourTable_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::newRow("0 white") << 0 << 255 << 255 << 255;
        QTest::newRow("1 grey 204") << 1 << 204 << 204 << 204;
        QTest::newRow("2 grey 153") << 2 << 153 << 153 << 153;
        QTest::newRow("3 grey 102") << 3 << 102 << 102 << 102;
        QTest::newRow("4 grey 51") << 4 << 51 << 51 << 51;
        QTest::newRow("5 black") << 5 << 0 << 0 << 0;
        QTest::newRow("6 white, transparent") << 6 << 255 << 255 << 255;
        QTest::newRow("7 black") << 7 << 0 << 0 << 0;
    }
    void globalColourTable() {
        QFETCH(int, index);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QVERIFY(static_cast<size_t>(index) < gif_.globalTable.size());
        const Rgb& entry = gif_.globalTable[static_cast<size_t>(index)];
        QCOMPARE(entry.r, r);
        QCOMPARE(entry.g, g);
        QCOMPARE(entry.b, b);
    }

    // Qt's reading of the file: full size, every pixel either fully transparent or an opaque
    // colour of the table, with background around the drawing and a drawing in the middle.
    void decodesWithTransparentBackground() {
        QImage image;
        QVERIFY(image.loadFromData(bytes_, "GIF"));
        QCOMPARE(image.size(), QSize(kWidth, kHeight));
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        int transparent = 0;
        int opaque = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const QRgb p = argb.pixel(x, y);
                if (qAlpha(p) == 0) {
                    ++transparent;
                    continue;
                }
                QCOMPARE(qAlpha(p), 255);
                ++opaque;
                const bool grey = qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
                QVERIFY2(
                    grey && qRed(p) % 51 == 0,
                    qPrintable(
                        QStringLiteral("pixel %1,%2 is not a colour of the table").arg(x).arg(y)));
            }
        }
        for (const QPoint corner : {QPoint(0, 0), QPoint(kWidth - 1, 0), QPoint(0, kHeight - 1),
                                    QPoint(kWidth - 1, kHeight - 1)}) {
            QCOMPARE(qAlpha(argb.pixel(corner)), 0);
        }
        QCOMPARE(transparent + opaque, kWidth * kHeight);
        // A real drawing on a real background, neither of them a sliver.
        QVERIFY2(opaque > kWidth * kHeight / 5, qPrintable(QString::number(opaque)));
        QVERIFY2(transparent > kWidth * kHeight / 5, qPrintable(QString::number(transparent)));
        QCOMPARE(qAlpha(argb.pixel(kWidth / 2, kHeight / 5)), 255);  // the globe's middle
    }

    // The accessor hands out this same picture, pixel for pixel, transparency included.
    void accessorServesTheCommittedPicture() {
        const QPixmap pixmap = zv::resources::OfflinePicture();
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(kWidth, kHeight));
        QVERIFY(pixmap.hasAlphaChannel());
        QImage expected;
        QVERIFY(expected.loadFromData(bytes_, "GIF"));
        // Compared premultiplied: a transparent pixel's colour does not matter.
        QCOMPARE(pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

  private:
    QByteArray bytes_;
    GifLayout gif_;
};

QTEST_MAIN(OfflinePictureTest)
#include "test_offline_picture.moc"
