#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <string>

#include "document/unicode_document.h"
#include "tests/support/file_size_limit.h"
#include "zv/config.h"

namespace {

using zv::DocumentVariant;

std::string RunHeader() {
    return std::string(
               "<HTML><meta HTTP-EQUIV=\"Content-Type\"Content=\"text-html; charset=utf-8\">"
               "<BODY><font size = 1> Teksta Zilvardis &#8482; &copy; ") +
           zv::config::kCopyrightYear + " " + zv::config::kMakerSite +
           "<font size = 4> <br><br>\r\n";
}

std::string ShutdownDocument(const std::string& bodyBytes) {
    return std::string(
               "<HTML><meta HTTP-EQUIV=\"Content-Type\"Content=\"text-html; "
               "charset=utf-8\"><BODY><font size = 1> Text Zilvardizer&#8482; &copy; ") +
           zv::config::kCopyrightYear + " " + zv::config::kMakerName +
           "<font size = 4> <br><br>\r\n" + bodyBytes + "\r\n</font></BODY></HTML>\r\n";
}

std::string RunDocument(const std::string& bodyBytes) {
    return RunHeader() + bodyBytes + "\r\n</font></BODY></HTML>\r\n";
}

std::string Bytes(DocumentVariant variant, const std::u16string& body) {
    return zv::UnicodeDocumentBytes(variant, QStringView(body)).toStdString();
}

std::string ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<unreadable>";
    return f.readAll().toStdString();
}

struct BodyCase {
    const char* name;
    std::u16string body;
    std::string utf8;  // the body line's bytes, written by hand
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class RunBody : public testing::TestWithParam<BodyCase> {};

TEST_P(RunBody, IsByteExact) {
    EXPECT_EQ(Bytes(DocumentVariant::Run, GetParam().body), RunDocument(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, RunBody,
    testing::Values(
        BodyCase{"Empty", u"", ""},
        BodyCase{"References", u"Laba diena, R&#299;ga!<Br>&aring;",
                 "Laba diena, R&#299;ga!<Br>&aring;"},
        BodyCase{"LatvianLetters", u"R\u012Bga \u0160\u0137", "R\xC4\xABga \xC5\xA0\xC4\xB7"},
        BodyCase{"LoneCarriageReturn", u"a\rb", "a\rb"}, BodyCase{"LoneLineFeed", u"a\nb", "a\nb"},
        BodyCase{"Boundaries", u"\u007F\u0080\u07FF\u0800\uFFFF",
                 "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        BodyCase{"SurrogatePair", u"x\U0001F600y", "x\xF0\x9F\x98\x80y"},
        BodyCase{"LoneHighAtEnd", std::u16string(u"ab") + char16_t(0xD83D), "ab\xEF\xBF\xBD"},
        BodyCase{"LoneHighBeforeLetter", std::u16string{char16_t(0xD83D), u'a'},
                 "\xEF\xBF\xBD"
                 "a"},
        BodyCase{"LoneLow", std::u16string{u'a', char16_t(0xDE00), u'b'},
                 "a\xEF\xBF\xBD"
                 "b"},
        BodyCase{"LowThenHigh", std::u16string{char16_t(0xDE00), char16_t(0xD83D)},
                 "\xEF\xBF\xBD\xEF\xBF\xBD"},
        BodyCase{"HighHighLow",
                 std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)},
                 "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        BodyCase{"Nul", std::u16string(u"a\0b", 3), std::string("a\0b", 3)}),
    [](const testing::TestParamInfo<BodyCase>& row) { return std::string(row.param.name); });

// Well-formed text of any kind encodes exactly as Qt's own UTF-8 encoder does.
TEST(UnicodeDocumentBytes, ValidTextAgreesWithQtEncoder) {
    QRandomGenerator rng(20260101);
    for (int round = 0; round < 200; ++round) {
        QList<char32_t> ucs4;
        const int length = rng.bounded(40);
        for (int i = 0; i < length; ++i) {
            char32_t cp = 0;
            do {
                cp = rng.bounded(round % 2 ? 0x110000u : 0x800u);
            } while (cp >= 0xD800 && cp <= 0xDFFF);
            ucs4.append(cp);
        }
        const QString body = QString::fromUcs4(ucs4.constData(), ucs4.size());
        ASSERT_EQ(zv::UnicodeDocumentBytes(DocumentVariant::Run, body).toStdString(),
                  RunDocument(body.toUtf8().toStdString()))
            << "round " << round;
    }
}

// The shutdown document keeps the last run's body, in the UTF-8 its header names.
TEST(UnicodeDocumentBytes, ShutdownVariantCarriesTheBody) {
    EXPECT_EQ(Bytes(DocumentVariant::Shutdown, u""), ShutdownDocument(""));
    EXPECT_EQ(Bytes(DocumentVariant::Shutdown, u"R&#299;ga R\u012Bga"),
              ShutdownDocument("R&#299;ga R\xC4\xABga"));
}

struct PathCase {
    QString folder;
    QString expected;
};

void PrintTo(const PathCase& c, std::ostream* os) {
    *os << '"' << c.folder.toStdString() << "\" -> \"" << c.expected.toStdString() << '"';
}

class DocumentPath : public testing::TestWithParam<PathCase> {};

TEST_P(DocumentPath, JoinsWithOneSeparator) {
    EXPECT_EQ(zv::UnicodeDocumentPath(GetParam().folder).toStdString(),
              GetParam().expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Folders, DocumentPath,
                         testing::Values(PathCase{"/", "/unitext.html"},
                                         PathCase{"/opt/zv", "/opt/zv/unitext.html"},
                                         PathCase{"/opt/zv/", "/opt/zv/unitext.html"},
                                         PathCase{"relative/dir", "relative/dir/unitext.html"},
                                         // A backslash is an ordinary file-name character here.
                                         PathCase{"/opt/a\\b", "/opt/a\\b/unitext.html"}));

class WriteDocument : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Folder() const { return dir_.path(); }
    QString Path() const { return dir_.filePath("unitext.html"); }
    QStringList Entries() const {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
};

TEST_F(WriteDocument, SecondRunReplacesFirstCompletely) {
    const std::u16string longer(5000, u'x');
    zv::WriteUnicodeDocument(DocumentVariant::Run, QStringView(longer), Folder());
    zv::WriteUnicodeDocument(DocumentVariant::Run, u"R&#299;ga", Folder());
    EXPECT_EQ(ReadAll(Path()), RunDocument("R&#299;ga"));
    EXPECT_EQ(Entries(), QStringList{"unitext.html"});  // no temporary file left behind

    zv::WriteUnicodeDocument(DocumentVariant::Shutdown, u"R&#299;ga", Folder());
    EXPECT_EQ(ReadAll(Path()), ShutdownDocument("R&#299;ga"));
}

TEST_F(WriteDocument, FolderGivenWithTrailingSeparator) {
    zv::WriteUnicodeDocument(DocumentVariant::Run, u"a", Folder() + "/");
    EXPECT_EQ(ReadAll(Path()), RunDocument("a"));
}

// A folder that does not exist, a "folder" that is a regular file, and a folder in the
// document's place: the error names the path, with the reason in the system's words (what())
// and in Latvian (for the error box).
TEST_F(WriteDocument, UnusableFolderNamesPathAndReason) {
    QFile plain(dir_.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("keep");
    plain.close();
    ASSERT_TRUE(QDir(dir_.path()).mkpath("taken/unitext.html"));

    const struct {
        QString folder;
        const char* reason;
        const char* latvian;
    } rows[] = {
        {dir_.filePath("missing"), "No such file or directory", "tadas mapes nav"},
        {dir_.filePath("plain"), "Not a directory", "cela dala nav mape"},
        {dir_.filePath("taken"), "Is a directory", "ta ir mape, nevis fails"},
    };
    for (const auto& row : rows) {
        const QString path = row.folder + "/unitext.html";
        try {
            zv::WriteUnicodeDocument(DocumentVariant::Run, u"x", row.folder);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const zv::DocumentError& e) {
            EXPECT_EQ(e.what(), "Cannot write " + path.toStdString() + ": " + row.reason);
            EXPECT_EQ(e.InLatvian(), "Nevar ierakstit " + path + ": " + row.latvian);
        }
    }
    EXPECT_EQ(ReadAll(dir_.filePath("plain")), "keep");
    EXPECT_TRUE(QFileInfo(dir_.filePath("taken/unitext.html")).isDir());
}

// A write that fails half-way (here: the file-size limit, which holds for root too) leaves
// the previous document whole.
TEST_F(WriteDocument, FailedWriteKeepsPreviousDocument) {
    zv::WriteUnicodeDocument(DocumentVariant::Run, u"old", Folder());

    zv::test::FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.Active());

    QString why;
    try {
        const std::u16string big(200 * 1024, u'n');
        zv::WriteUnicodeDocument(DocumentVariant::Run, QStringView(big), Folder());
    } catch (const zv::DocumentError& e) {
        why = e.InLatvian();
    }
    limit.Lift();

    EXPECT_EQ(why, "Nevar ierakstit " + Path() + ": fails ir parak liels");
    EXPECT_EQ(ReadAll(Path()), RunDocument("old"));
    EXPECT_EQ(Entries(), QStringList{"unitext.html"});
}

// unitext.html as a symbolic link in a folder that everyone may write to (sticky, like
// /tmp): followed only when the link and its target are the user's own; otherwise nothing is
// written, no target is created, and the error names the path. "Another user" is a real other
// owner (nobody), so the rows mean the same when the tests run as root.
struct LinkRow {
    const char* name;
    bool foreign_link;
    bool foreign_target;
    bool target_exists;
    bool followed;
};

class PlantedLink : public WriteDocument, public testing::WithParamInterface<LinkRow> {};

TEST_P(PlantedLink, IsFollowedOnlyWhenAllTheUsersOwn) {
    constexpr uid_t kNobody = 65534;
    const LinkRow& row = GetParam();
    ASSERT_EQ(chmod(QFile::encodeName(Folder()).constData(), 01777), 0);
    QTemporaryDir elsewhere;  // the user's own file lives here
    const QString target = elsewhere.filePath("letter.txt");
    if (row.target_exists) {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("mine");
        file.close();
        if (row.foreign_target) {
            ASSERT_EQ(chown(QFile::encodeName(target).constData(), kNobody, kNobody), 0);
        }
    }
    ASSERT_TRUE(QFile::link(target, Path()));
    if (row.foreign_link) {
        ASSERT_EQ(lchown(QFile::encodeName(Path()).constData(), kNobody, kNobody), 0);
    }

    std::string what;
    try {
        zv::WriteUnicodeDocument(DocumentVariant::Run, u"R&#299;ga", Folder());
    } catch (const zv::DocumentError& e) {
        what = e.what();
    }
    EXPECT_TRUE(QFileInfo(Path()).isSymLink());
    EXPECT_EQ(QDir(Folder()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                       QDir::NoDotAndDotDot),
              QStringList{"unitext.html"});
    if (row.followed) {
        EXPECT_EQ(what, "");
        EXPECT_EQ(ReadAll(target), RunDocument("R&#299;ga"));
        return;
    }
    EXPECT_NE(what.find(Path().toStdString() + ": "), std::string::npos) << what;
    EXPECT_NE(what.find("symbolic link"), std::string::npos) << what;
    if (row.target_exists) {
        EXPECT_EQ(ReadAll(target), "mine");
    } else {
        EXPECT_FALSE(QFileInfo::exists(target));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlantedLink,
    testing::Values(LinkRow{"own_link_to_own_file", false, false, true, true},
                    LinkRow{"foreign_link_to_own_file", true, false, true, false},
                    LinkRow{"own_link_to_foreign_file", false, true, true, false},
                    LinkRow{"own_dangling_link", false, false, false, false},
                    LinkRow{"foreign_dangling_link", true, false, false, false}),
    [](const testing::TestParamInfo<LinkRow>& row) { return std::string(row.param.name); });

}  // namespace
