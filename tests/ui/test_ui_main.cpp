// The whole program driven through its main window: startup, conversion, the commands, the
// automatic conversion modes, shutdown and errors.
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <cmath>
#include <memory>

#include "document/unicode_document.h"
#include "resources/resources.h"
#include "tests/support/file_size_limit.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/forms.h"
#include "ui/main/application.h"
#include "ui/main/document_location.h"
#include "ui/main/form1.h"
#include "ui/marks/spell_marks.h"
#include "ui/secondary/form2.h"
#include "ui/secondary/form3.h"
#include "ui/secondary/form4.h"
#include "ui_test_support.h"
#include "zv/config.h"

using namespace zv::ui;
using zv::ui::test::Program;

namespace {

using test::Converted;
using test::RunDocument;
using test::ShutdownDocument;

// The WCAG contrast ratio of two colours, from 1 (none) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A dark palette as a dark desktop theme gives one: light text on dark grey.
QPalette DarkPalette() {
    QPalette palette(QColor(53, 53, 53));
    for (auto role : {QPalette::Base, QPalette::AlternateBase}) {
        palette.setColor(role, QColor(35, 35, 35));
    }
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, QColor(238, 238, 236));
    }
    return palette;
}

Form1& Main(Program& p) { return static_cast<Form1&>(p.forms().Form1()); }
// The Unicode window's text as held (plain text would show no-break spaces as blanks).
QString UnicodeText(Program& p) { return p.forms().Form3().Text1()->Text(); }
BrowserView* Preview(Program& p) { return p.forms().Form2().WebBrowser1(); }

bool Activate(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window, 5000);
}

void Press(QWidget* window, QKeyCombination key) {
    QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
    QTest::keyClick(target, key.key(), key.keyboardModifiers());
}

// XDG_STATE_HOME set to a folder of the test's own while it lives; the typed text is kept in
// File().
class StateHome {
  public:
    StateHome() : before_(qgetenv("XDG_STATE_HOME")) {
        qputenv("XDG_STATE_HOME", dir_.path().toLocal8Bit());
    }
    ~StateHome() { qputenv("XDG_STATE_HOME", before_); }
    QString Folder() const { return dir_.filePath(QStringLiteral("zv")); }
    QString File() const { return dir_.filePath(QStringLiteral("zv/typed.txt")); }

  private:
    QTemporaryDir dir_;
    QByteArray before_;
};

// A file's permission bits; -1 when there is none.
int Mode(const QString& path) {
    struct stat status {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0) return -1;
    return static_cast<int>(status.st_mode & 07777);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { test::FlushDeletes(); }

    void startup_fills_all_outputs() {
        Program p;
        // Help window: sent to the help page, offline picture visible. (Checked before the
        // event loop runs: where the site cannot be reached, the built-in page soon follows.)
        QCOMPARE(p.forms().Form4().WebBrowser1()->RequestedUrl(),
                 QUrl(zv::resources::HelpPageUrl()));
        QVERIFY(p.forms().Form4().Picture1()->isVisible());
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            QVERIFY(p.forms().IsLoaded(id));
            QVERIFY(p.forms().Window(id)->isVisible());
        }
        Form1& main = Main(p);
        QVERIFY(QTest::qWaitForWindowActive(&main, 5000));
        QCOMPARE(main.Text1()->toPlainText(), zv::resources::HelpText());
        const QString converted = Converted(zv::resources::HelpText());
        QCOMPARE(UnicodeText(p), converted);
        QCOMPARE(p.Document(), RunDocument(converted));
        // The preview was sent to the document twice; both forms of the path are one file.
        QCOMPARE(Preview(p)->RequestedUrl(), QUrl::fromLocalFile(p.DocumentPath()));
        QVERIFY(test::WaitForRenderedText(Preview(p), QString::fromUtf8("iel\u012bm\u0113")));
        QCOMPARE(Preview(p)->url(), QUrl::fromLocalFile(p.DocumentPath()));
        QVERIFY(p.messages().empty());
    }

    // On a 1024 x 768 screen (15,360 x 11,520 twips) the four windows tile it; with panels they
    // tile the area the panels leave (a 48-pixel dock at the left, a 27-pixel bar at the top and
    // a 48-pixel taskbar at the bottom: 720, 405, 14,640 x 10,395 twips), reaching 80 twips
    // below it as they reach below a screen without panels.
    void startup_tiling_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("form");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        const QRect screen(0, 0, 1024, 768);
        QTest::newRow("main") << screen << 0 << 105.f << 0.f << 7530.f << 7680.f;
        QTest::newRow("preview") << screen << 1 << 7655.f << 0.f << 7530.f << 7680.f;
        QTest::newRow("unicode") << screen << 2 << 105.f << 7800.f << 7530.f << 3800.f;
        QTest::newRow("help") << screen << 3 << 7655.f << 7800.f << 7530.f << 3800.f;
        const QRect panels(48, 27, 976, 693);
        QTest::newRow("main, panels") << panels << 0 << 825.f << 405.f << 7170.f << 6930.f;
        QTest::newRow("preview, panels") << panels << 1 << 8015.f << 405.f << 7170.f << 6930.f;
        QTest::newRow("unicode, panels") << panels << 2 << 825.f << 7455.f << 7170.f << 3425.f;
        QTest::newRow("help, panels") << panels << 3 << 8015.f << 7455.f << 7170.f << 3425.f;
    }
    void startup_tiling() {
        QFETCH(QRect, area);
        QFETCH(int, form);
        QFETCH(float, left);
        QFETCH(float, top);
        QFETCH(float, width);
        QFETCH(float, height);
        SetScreenAreaQuery([area] { return area; });
        struct Restore {
            ~Restore() { SetScreenAreaQuery({}); }
        } restore;
        Program p;
        ZvWindow* window = p.forms().Window(static_cast<FormId>(form));
        // And on screen, outer frame included, once the frames have settled.
        QTRY_COMPARE(window->frameGeometry().x(), TwipsToPixels(left, 15));
        QTRY_COMPARE(window->frameGeometry().y(), TwipsToPixels(top, 15));
        QTRY_COMPARE(window->frameGeometry().width(), TwipsToPixels(width, 15));
        QTRY_COMPARE(window->frameGeometry().height(), TwipsToPixels(height, 15));
        QCOMPARE(window->Left(), left);
        QCOMPARE(window->Top(), top);
        QCOMPARE(window->Width(), width);
        QCOMPARE(window->Height(), height);
    }

    // Both text boxes are dark text on their own white in a dark theme as in a light one: the
    // text, the selection and the dictionary's marks keep their contrast with what is painted.
    void readable_in_any_theme_data() {
        QTest::addColumn<QString>("style");  // empty: the style the tests start with
        QTest::addColumn<bool>("dark_palette");
        QTest::newRow("as started") << QString() << false;
        QTest::newRow("Fusion, dark palette") << "Fusion" << true;
        QTest::newRow("Adwaita-Dark") << "Adwaita-Dark" << false;
    }
    void readable_in_any_theme() {
        QFETCH(QString, style);
        QFETCH(bool, dark_palette);
        struct Restore {
            QString style = QApplication::style()->name();
            ~Restore() {
                QApplication::setStyle(style);
                QApplication::setPalette(QPalette());
            }
        } restore;
        if (!style.isEmpty()) {
            QStyle* theme = QStyleFactory::create(style);
            QVERIFY2(theme != nullptr, qPrintable(style + " is not installed"));
            QApplication::setStyle(theme);
        }
        if (dark_palette) QApplication::setPalette(DarkPalette());
        const QPalette desktop = QApplication::palette();
        if (!style.isEmpty()) QVERIFY(desktop.color(QPalette::Base).lightness() < 80);
        Program p;
        for (QPlainTextEdit* box : {static_cast<QPlainTextEdit*>(Main(p).Text1()),
                                    static_cast<QPlainTextEdit*>(p.forms().Form3().Text1())}) {
            box->clear();
            const QImage painted = box->viewport()->grab().toImage();
            const QColor ground = painted.pixelColor(painted.rect().center());
            const QPalette palette = box->palette();
            QVERIFY2(Contrast(palette.color(QPalette::Text), ground) >= 4.5,
                     qPrintable(ground.name()));
            QVERIFY(Contrast(SpellMarks::MarkFormat().underlineColor(), ground) >= 4.5);
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                QVERIFY(Contrast(palette.color(group, QPalette::HighlightedText),
                                 palette.color(group, QPalette::Highlight)) >= 4.5);
            }
        }
    }

    // Qt's own texts are Latvian: the text boxes' context menu and the message boxes' button.
    void qt_texts_in_latvian() {
        SetUpApplication();  // as the program starts
        struct Restore {
            ~Restore() {
                for (auto* translator : qApp->findChildren<QTranslator*>()) {
                    QCoreApplication::removeTranslator(translator);
                    delete translator;
                }
            }
        } restore;
        Program p;
        for (QPlainTextEdit* box : {static_cast<QPlainTextEdit*>(Main(p).Text1()),
                                    static_cast<QPlainTextEdit*>(p.forms().Form3().Text1())}) {
            std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
            QStringList items;
            for (const QAction* action : menu->actions()) {
                items << action->text().section(QLatin1Char('\t'), 0, 0);  // without the key
            }
            QVERIFY2(items.contains(QStringLiteral("&Kopēt")), qPrintable(items.join('|')));
            QVERIFY2(items.contains(QStringLiteral("&Ielīmēt")), qPrintable(items.join('|')));
        }
        QMessageBox box(QMessageBox::Information, QString(), QString(), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("Labi"));
    }

    void input_box_layout() {
        Program p;
        const TwipsRect place = ControlPlace(Main(p).Text1());
        QCOMPARE(place.left, 100.f);
        QCOMPARE(place.top, 100.f);
        QVERIFY(qAbs(place.height - 6678.26f) < 0.01f);
        QVERIFY(qAbs(place.width - 7171.43f) < 0.01f);
        QCOMPARE(Main(p).Text1()->font().pointSizeF(), 12.0);
        QCOMPARE(Main(p).Text1()->geometry(), QRect(7, 7, 478, 445));
    }

    // Resizing lays the input box out again (window height / 1.15 by width / 1.05) and keeps
    // what the user typed.
    void resize_keeps_typed_text() {
        Program p;
        Form1& main = Main(p);
        main.Text1()->setPlainText(QStringLiteral("mani vaardi"));
        test::ResizeOuter(&main, QSize(588, 460));  // 8820 x 6900 twips
        QTRY_COMPARE(main.Text1()->geometry(), QRect(7, 7, 560, 400));
        QCOMPARE(main.Text1()->toPlainText(), QStringLiteral("mani vaardi"));
        const TwipsRect place = ControlPlace(main.Text1());
        QCOMPARE(place.height, 6000.f);
        QCOMPARE(place.width, 8400.f);
        QCOMPARE(place.left, 100.f);
        QCOMPARE(place.top, 100.f);
    }

    void convert_now_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("unicode");
        QTest::addColumn<QString>("rendered");
        QTest::newRow("Riiga") << "Laba diena, Riiga!"
                               << "Laba diena, R&#299;ga!"
                               << QString::fromUtf8("Laba diena, R\u012bga!");
        QTest::newRow("two lines")
            << "Kjeepis\nshis"
            << "&#310;&#275;pis<Br>&#353;is" << QString::fromUtf8("\u0136\u0113pis");
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("no-break space kept")
            << QString::fromUtf8("Riiga\u00a0aa") << QString::fromUtf8("R&#299;ga\u00a0&#257;")
            << QString::fromUtf8("R\u012bga\u00a0\u0101");
    }
    void convert_now() {
        QFETCH(QString, input);
        QFETCH(QString, unicode);
        QFETCH(QString, rendered);
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        main.Text1()->setPlainText(input);
        Press(&main, Qt::Key_F5);
        QCOMPARE(UnicodeText(p), unicode);
        QCOMPARE(p.Document(), RunDocument(unicode));
        if (!rendered.isEmpty()) QVERIFY(test::WaitForRenderedText(Preview(p), rendered));
        QVERIFY(p.messages().empty());
    }

    // A line break the user types is a line break of the run, whichever key made it.
    void typed_line_break_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }
    void typed_line_break() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        main.Text1()->clear();
        main.Text1()->setFocus();
        QTest::keyClicks(main.Text1(), QStringLiteral("aa"));
        QTest::keyClick(main.Text1(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTest::keyClicks(main.Text1(), QStringLiteral("ee"));
        Press(&main, Qt::Key_F5);
        QCOMPARE(UnicodeText(p), QStringLiteral("&#257;<Br>&#275;"));
        QCOMPARE(p.Document(), RunDocument(QStringLiteral("&#257;<Br>&#275;")));
    }

    // The hint comes before any output changes, once per run, and the run then goes on.
    void hint_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("hint");
        QTest::addColumn<QString>("unicode");
        QTest::newRow("paaris") << "paaris" << true << "p&#257;ris";
        QTest::newRow("saarsim") << "saarsim" << true << "s&#257;rsim";
        QTest::newRow("trailing blank") << "paaris " << false << "p&#257;ris ";
        QTest::newRow("upper case") << "PAARIS" << false << "PAARIS";
        QTest::newRow("followed by a line") << "paaris\n" << false << "p&#257;ris<Br>";
    }
    void hint() {
        QFETCH(QString, input);
        QFETCH(bool, hint);
        QFETCH(QString, unicode);
        Program p;
        const QString before = UnicodeText(p);
        QString unicode_while_shown;
        p.OnMessage([&](const MessageRequest&) { unicode_while_shown = UnicodeText(p); });
        Main(p).Text1()->setPlainText(input);
        Main(p).Menu().Now->trigger();
        QCOMPARE(p.messages().size(), std::size_t(hint ? 1 : 0));
        if (hint) {
            const MessageRequest& box = p.messages().front();
            QCOMPARE(box.text, QStringLiteral("Ja iet runa par arshanu, raksta pa-art, pa-aris"));
            QCOMPARE(box.caption, QStringLiteral("Zilvardizer_3"));
            QCOMPARE(box.style, MessageStyle::Ok);
            QCOMPARE(unicode_while_shown, before);
        }
        QCOMPARE(UnicodeText(p), unicode);
    }

    // every (F6) and Never (F7): the marks after a series of clicks, and whether the ticks
    // then convert. A click alone never converts.
    void modes_data() {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("every");
        QTest::addColumn<bool>("never");
        QTest::addColumn<bool>("converts");
        QTest::newRow("initial: off") << "" << false << true << false;
        QTest::newRow("off -> every") << "6" << true << false << true;
        QTest::newRow("off -> unmarked") << "7" << false << false << true;
        QTest::newRow("every -> unmarked") << "66" << false << false << true;
        QTest::newRow("every -> off") << "67" << false << true << false;
        QTest::newRow("unmarked -> every") << "76" << true << false << true;
        QTest::newRow("unmarked -> off") << "77" << false << true << false;
        QTest::newRow("every, unmarked, off") << "667" << false << true << false;
        QTest::newRow("unmarked, every, unmarked") << "766" << false << false << true;
    }
    void modes() {
        QFETCH(QString, clicks);
        QFETCH(bool, every);
        QFETCH(bool, never);
        QFETCH(bool, converts);
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        const QString before = UnicodeText(p);
        main.Text1()->setPlainText(QStringLiteral("Riiga"));
        for (QChar c : clicks) Press(&main, c == '6' ? Qt::Key_F6 : Qt::Key_F7);
        QCOMPARE(main.Menu().every->isChecked(), every);
        QCOMPARE(main.Menu().Never->isChecked(), never);
        QCOMPARE(UnicodeText(p), before);  // nothing converted by the clicks themselves
        main.Timer1()->setInterval(20);
        if (converts) {
            QTRY_COMPARE_WITH_TIMEOUT(UnicodeText(p), QStringLiteral("R&#299;ga"), 3000);
        } else {
            QSignalSpy ticks(main.Timer1(), &QTimer::timeout);
            QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 10, 5000);
            QCOMPARE(UnicodeText(p), before);
        }
        QCOMPARE(main.Menu().every->isChecked(), every);  // ticks leave the marks alone
        QCOMPARE(main.Menu().Never->isChecked(), never);
    }

    // F5 converts in every mode.
    void now_converts_when_never_is_marked() {
        Program p;
        QVERIFY(Main(p).Menu().Never->isChecked());
        Main(p).Text1()->setPlainText(QStringLiteral("Riiga"));
        Main(p).Menu().Now->trigger();
        QCOMPARE(UnicodeText(p), QStringLiteral("R&#299;ga"));
    }

    // A hint box left open while automatic conversion runs: ticks keep arriving, but none
    // starts a run (and another box) on top of the open one; each later run shows it again.
    void no_run_while_the_hint_is_open() {
        Program p;
        int open = 0;
        int most_open = 0;
        Form1& main = Main(p);
        main.Timer1()->stop();  // the ticks are the test's own
        p.OnMessage([&](const MessageRequest&) {
            ++open;
            most_open = std::max(most_open, open);
            for (int i = 0; i < 3; ++i) test::Tick(main.Timer1());  // while the user reads it
            --open;
        });
        main.Text1()->setPlainText(QStringLiteral("paaris"));
        main.Menu().Never->trigger();
        test::Tick(main.Timer1());
        test::Tick(main.Timer1());
        main.Menu().Never->trigger();
        QCOMPARE(p.messages().size(), std::size_t(2));
        QCOMPARE(most_open, 1);
        QCOMPARE(UnicodeText(p), QStringLiteral("p&#257;ris"));
    }

    void select_all_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("two lines") << QString::fromUtf8("R\u012bga\nline two");
    }
    void select_all() {
        QFETCH(QString, text);
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        main.Text1()->setPlainText(text);
        QTextCursor cursor = main.Text1()->textCursor();
        cursor.setPosition(0);
        main.Text1()->setTextCursor(cursor);
        Press(&main, QKeyCombination(Qt::CTRL, Qt::Key_A));
        const QTextCursor selected = main.Text1()->textCursor();
        QCOMPARE(selected.selectionStart(), 0);
        QCOMPARE(selected.selectionEnd(), text.size());
        QCOMPARE(selected.selectedText().size(), text.size());
        QCOMPARE(main.Text1()->toPlainText(), text);
    }

    // A menu shortcut acts only in its own window.
    void shortcuts_stay_in_their_window() {
        Program p;
        Form1& main = Main(p);
        const QString before = UnicodeText(p);
        main.Text1()->setPlainText(QStringLiteral("Riiga"));
        Form2Definition& preview = p.forms().Form2();
        QVERIFY(Activate(&preview));
        Press(&preview, Qt::Key_F5);
        Press(&preview, Qt::Key_F7);
        QCOMPARE(UnicodeText(p), before);
        QVERIFY(main.Menu().Never->isChecked());
        QVERIFY(Activate(&main));
        Press(&main, QKeyCombination(Qt::CTRL, Qt::Key_W));  // no close command here
        QVERIFY(main.isVisible());
        Press(&main, Qt::Key_F4);  // assigned to nothing
        QCOMPARE(UnicodeText(p), before);
        Press(&main, Qt::Key_F5);
        QCOMPARE(UnicodeText(p), QStringLiteral("R&#299;ga"));
    }

    // The menus have no access keys: F10 opens the menu bar at its first menu, from where the
    // keyboard reaches every item ("Par ZV", the second item of "ZV").
    void f10_opens_the_menu_bar() {
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        Press(&main, Qt::Key_F10);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        QCOMPARE(menu->objectName(), QStringLiteral("File"));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(p.messages().size(), std::size_t(1));
        QVERIFY(p.messages().front().text.contains("0.99s"));
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // "Logi" shows a hidden window again (same window, same place) or creates a closed one.
    void show_commands_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("close_box");
        QTest::newRow("F2 after hide") << 1 << int(Qt::Key_F2) << false;
        QTest::newRow("F2 after close box") << 1 << int(Qt::Key_F2) << true;
        QTest::newRow("F3 after hide") << 2 << int(Qt::Key_F3) << false;
        QTest::newRow("F3 after close box") << 2 << int(Qt::Key_F3) << true;
        QTest::newRow("F1 after hide") << 3 << int(Qt::Key_F1) << false;
        QTest::newRow("F1 after close box") << 3 << int(Qt::Key_F1) << true;
    }
    void show_commands() {
        QFETCH(int, form);
        QFETCH(int, key);
        QFETCH(bool, close_box);
        Program p;
        const auto id = static_cast<FormId>(form);
        QPointer<ZvWindow> window = p.forms().Window(id);
        const QRect place = window->frameGeometry();
        if (close_box) {
            window->close();
            test::FlushDeletes();
            QVERIFY(window.isNull());
            QVERIFY(!p.forms().IsLoaded(id));
        } else {
            QVERIFY(Activate(window));
            Press(window, QKeyCombination(Qt::CTRL, Qt::Key_W));
            QVERIFY(window->isHidden());
            QVERIFY(p.forms().IsLoaded(id));
        }
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        Press(&main, static_cast<Qt::Key>(key));
        ZvWindow* shown = p.forms().Window(id);
        QVERIFY(shown != nullptr);
        QVERIFY(shown->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(shown, 5000));
        if (!close_box) QCOMPARE(shown, window.data());
        QCOMPARE(shown->frameGeometry(), place);  // placed again from the same main window
        QVERIFY(p.messages().empty());
    }

    // Closed with the close box, a window comes back hidden on the next conversion, holding
    // its result.
    void conversion_recreates_closed_windows() {
        Program p;
        p.forms().Window(FormId::Form2)->close();
        p.forms().Window(FormId::Form3)->close();
        test::FlushDeletes();
        QVERIFY(!p.forms().IsLoaded(FormId::Form2));
        QVERIFY(!p.forms().IsLoaded(FormId::Form3));
        Main(p).Text1()->setPlainText(QStringLiteral("Riiga"));
        Main(p).Menu().Now->trigger();
        QVERIFY(p.forms().IsLoaded(FormId::Form2));
        QVERIFY(p.forms().IsLoaded(FormId::Form3));
        QVERIFY(p.forms().Window(FormId::Form2)->isHidden());
        QVERIFY(p.forms().Window(FormId::Form3)->isHidden());
        QCOMPARE(UnicodeText(p), QStringLiteral("R&#299;ga"));
        QVERIFY(test::WaitForRenderedText(Preview(p), QString::fromUtf8("R\u012bga")));
        QCOMPARE(p.forms().Form3().Text1()->font().pointSizeF(), 8.0);
    }

    // Every way out: all four windows unloaded in the quit order, the shutdown document left
    // behind, the program told to end once.
    void quit_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<bool>("close_box");
        QTest::newRow("Ctrl+Q in main") << 0 << false;
        QTest::newRow("Ctrl+Q in preview") << 1 << false;
        QTest::newRow("Ctrl+Q in unicode") << 2 << false;
        QTest::newRow("Ctrl+Q in help") << 3 << false;
        QTest::newRow("main close box") << 0 << true;
    }
    void quit() {
        QFETCH(int, form);
        QFETCH(bool, close_box);
        Program p;
        QStringList destroyed;
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            ZvWindow* w = p.forms().Window(id);
            const QString name = w->objectName();
            connect(w, &QObject::destroyed, [&destroyed, name] { destroyed << name; });
        }
        ZvWindow* window = p.forms().Window(static_cast<FormId>(form));
        if (close_box) {
            window->close();
        } else {
            QVERIFY(Activate(window));
            Press(window, QKeyCombination(Qt::CTRL, Qt::Key_Q));
        }
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            QVERIFY(!p.forms().IsLoaded(id));
        }
        QCOMPARE(p.empty_count(), 1);
        // Quitting keeps the last run's result.
        QCOMPARE(p.Document(), ShutdownDocument(Converted(zv::resources::HelpText())));
        test::FlushDeletes();
        QCOMPARE(destroyed, (QStringList{"Form3", "Form2", "Form4", "Form1"}));
        QVERIFY(p.messages().empty());
        QCOMPARE(p.forms().ExitStatus(), 0);
    }

    // The shutdown document cannot be written (here: the file-size limit, which holds for
    // root too): the user is told (path included) before the program is told to end, it still
    // ends with every window gone, its status says so, and the last run's document stays.
    void quit_with_an_unwritable_document() {
        Program p;
        int ended_before_the_box = -1;
        p.OnMessage([&](const MessageRequest&) { ended_before_the_box = p.empty_count(); });
        const QByteArray last = p.Document();
        zv::test::FileSizeLimit limit(64);
        QVERIFY(limit.Active());
        Main(p).Menu().Quit->trigger();
        limit.Lift();
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            QVERIFY(!p.forms().IsLoaded(id));
        }
        QCOMPARE(p.empty_count(), 1);
        QCOMPARE(p.messages().size(), std::size_t(1));
        QVERIFY(p.messages().front().text.contains(p.DocumentPath()));
        QCOMPARE(ended_before_the_box, 0);
        QCOMPARE(p.forms().ExitStatus(), 1);
        QCOMPARE(p.Document(), last);
    }

    // A second instance in the same folder converted after this one: quitting this one leaves
    // that document alone; so does quitting after the document was removed.
    void quit_leaves_a_document_written_since_data() {
        QTest::addColumn<bool>("removed");
        QTest::newRow("written by another instance") << false;
        QTest::newRow("removed") << true;
    }
    void quit_leaves_a_document_written_since() {
        QFETCH(bool, removed);
        Program p;
        if (removed) {
            QVERIFY(QFile::remove(p.DocumentPath()));
        } else {
            zv::WriteUnicodeDocument(zv::DocumentVariant::Run, u"R&#299;ga", p.folder());
        }
        const QByteArray since = p.Document();
        Main(p).Menu().Quit->trigger();
        QVERIFY(!p.forms().IsLoaded(FormId::Form1));
        QCOMPARE(p.Document(), since);
        QCOMPARE(QFile::exists(p.DocumentPath()), !removed);
        QVERIFY(p.messages().empty());
        QCOMPARE(p.forms().ExitStatus(), 0);
    }

    // The startup run cannot write the document (another user's link stands in its place,
    // leading to an older document): the user is told, and the preview shows an empty page,
    // not the older document.
    void startup_with_an_unwritable_document() {
        Program p(false);
        const QString older = p.folder() + QStringLiteral("/older.html");
        {
            QFile file(older);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<p>OLDER</p>");
        }
        QVERIFY(QFile::link(older, p.DocumentPath()));
        QCOMPARE(lchown(QFile::encodeName(p.DocumentPath()).constData(), 65534, 65534), 0);
        p.forms().Start();
        QCOMPARE(p.messages().size(), std::size_t(1));
        QVERIFY(p.messages().front().text.contains(p.DocumentPath()));
        QCOMPARE(UnicodeText(p), Converted(zv::resources::HelpText()));
        BrowserView* preview = p.forms().Form2().WebBrowser1();
        QSignalSpy finished(preview, &QWebEngineView::loadFinished);
        QVERIFY(finished.wait(15000));
        QCOMPARE(preview->url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(!test::RenderedText(preview).contains("OLDER"));
        QCOMPARE(test::ReadFile(older), QByteArray("<p>OLDER</p>"));
    }

    // Typed, no F5, quit: the text is in the state folder, written after a pause and at quit.
    // The next start shows the help text; "Iepriekšējais teksts" puts the typed text back in
    // one edit that Ctrl+Z takes back. A start that only showed the help text keeps nothing.
    void typed_text_is_kept() {
        const StateHome state;
        const QString typed = QString::fromUtf8("Laba diena, Riiga!\nKjeepis \u0101");
        {
            Program p;
            Form1& main = Main(p);
            QVERIFY(Activate(&main));
            main.Text1()->setFocus();
            QTest::keyClick(main.Text1(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(main.Text1(), QStringLiteral("Laba diena, Riiga!"));
            QTest::keyClick(main.Text1(), Qt::Key_Return, Qt::ShiftModifier);
            QTest::keyClicks(main.Text1(), QStringLiteral("Kjeepis"));
            QTRY_COMPARE_WITH_TIMEOUT(test::ReadFile(state.File()),
                                      QByteArray("Laba diena, Riiga!\nKjeepis"), 10000);
            QCOMPARE(Mode(state.File()), 0600);
            QCOMPARE(Mode(state.Folder()), 0700);
            // Typed just before quitting: written at quit.
            QTest::keyClick(main.Text1(), Qt::Key_Space);
            QKeyEvent letter(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                             QString::fromUtf8("\u0101"));
            QApplication::sendEvent(main.Text1(), &letter);
            Press(&main, QKeyCombination(Qt::CTRL, Qt::Key_Q));
            QVERIFY(!p.forms().IsLoaded(FormId::Form1));
            QCOMPARE(QString::fromUtf8(test::ReadFile(state.File())), typed);
            QVERIFY(p.messages().empty());
        }
        for (const bool restore : {false, true}) {
            Program p;
            Form1& main = Main(p);
            QCOMPARE(main.Text1()->Text(), zv::resources::HelpText());
            // The help text that startup put in the box is let be once its delay is over.
            QTRY_VERIFY_WITH_TIMEOUT(!main.Kept().Waiting(), 10000);
            if (restore) {
                main.Menu().Previous->trigger();
                QCOMPARE(main.Text1()->Text(), typed);
                QVERIFY(Activate(&main));
                Press(&main, QKeyCombination(Qt::CTRL, Qt::Key_Z));
                QCOMPARE(main.Text1()->Text(), zv::resources::HelpText());
            }
            Main(p).Menu().Quit->trigger();
            QCOMPARE(QString::fromUtf8(test::ReadFile(state.File())), typed);
            QVERIFY(p.messages().empty());
        }
    }

    // Nothing kept yet: "Iepriekšējais teksts" says so and leaves the text as it is.
    void nothing_kept_yet() {
        const StateHome state;
        Program p;
        Main(p).Menu().Previous->trigger();
        QCOMPARE(p.messages().size(), std::size_t(1));
        QCOMPARE(p.messages().front().text, QStringLiteral("Ieprieksejais teksts nav saglabats"));
        QCOMPARE(Main(p).Text1()->Text(), zv::resources::HelpText());
    }

    // The state folder is a file: the failure is told once, with the path, however many edits
    // and writes fail after it, the last one at quit among them.
    void failure_to_keep_is_told_once() {
        const StateHome state;
        {
            QFile file(state.Folder());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        main.Text1()->setFocus();
        QTest::keyClicks(main.Text1(), QStringLiteral("Riiga"));
        QTRY_COMPARE_WITH_TIMEOUT(p.messages().size(), std::size_t(1), 10000);
        QVERIFY(p.messages().front().text.contains(state.File()));
        for (int i = 0; i < 20; ++i) QTest::keyClicks(main.Text1(), QStringLiteral("aa"));
        main.Menu().Quit->trigger();
        QVERIFY(!p.forms().IsLoaded(FormId::Form1));
        QCOMPARE(p.messages().size(), std::size_t(1));
    }

    // Something else than a file of the user's own in typed.txt's place is neither read from
    // nor written through, and reading it never waits (a FIFO without a writer).
    void kept_text_refuses_what_is_not_its_own_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("symbolic link") << "link";
        QTest::newRow("FIFO") << "fifo";
        if (geteuid() == 0) QTest::newRow("another user's file") << "other";
    }
    void kept_text_refuses_what_is_not_its_own() {
        QFETCH(QString, kind);
        const StateHome state;
        QVERIFY(QDir().mkpath(state.Folder()));
        const QString elsewhere = state.Folder() + QStringLiteral("/elsewhere.txt");
        {
            QFile file(kind == "other" ? state.File() : elsewhere);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("mine");
        }
        const QByteArray path = QFile::encodeName(state.File());
        if (kind == "link") QVERIFY(QFile::link(elsewhere, state.File()));
        if (kind == "fifo") QCOMPARE(mkfifo(path.constData(), 0600), 0);
        if (kind == "other") QCOMPARE(chown(path.constData(), 65534, 65534), 0);
        Program p;
        Form1& main = Main(p);
        main.Menu().Previous->trigger();
        QCOMPARE(p.messages().size(), std::size_t(1));
        QVERIFY(p.messages().front().text.contains(state.File()));
        QCOMPARE(main.Text1()->Text(), zv::resources::HelpText());
        QVERIFY(Activate(&main));
        main.Text1()->setFocus();
        QTest::keyClicks(main.Text1(), QStringLiteral("Riiga"));
        main.Menu().Quit->trigger();
        QCOMPARE(p.messages().size(), std::size_t(2));
        QVERIFY(p.messages().back().text.contains(state.File()));
        QFileInfo now(state.File());
        QCOMPARE(now.isSymLink(), kind == "link");
        QCOMPARE(now.isFile() && !now.isSymLink(), kind == "other");
        QCOMPARE(test::ReadFile(kind == "other" ? state.File() : elsewhere), QByteArray("mine"));
    }

    // Ctrl+Shift+C in the main window converts now, as F5 does, and puts the result on the
    // clipboard as plain text in letters (what zv-convert --text gives for the same text) and as
    // HTML, the converted text; in the Unicode text window it copies that window's text so.
    void copy_text() {
        Program p;
        Form1& main = Main(p);
        QVERIFY(Activate(&main));
        main.Text1()->setPlainText(QString::fromUtf8("<Br> &amp; &#257; a\na s\nh \u00e5"));
        main.Text1()->setFocus();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(main.Text1(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        const QString converted = QStringLiteral("<Br> &amp; &#257; a<Br>a s<Br>h &aring;");
        QCOMPARE(UnicodeText(p), converted);
        QCOMPARE(p.Document(), RunDocument(converted));
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied != nullptr);
        QCOMPARE(copied->text(), QString::fromUtf8("<Br> &amp; \u0101 a\na s\nh \u00e5"));
        QCOMPARE(copied->html(), QStringLiteral("<meta charset=\"utf-8\">") + converted);

        Form3Definition& unicode = p.forms().Form3();
        QVERIFY(Activate(&unicode));
        unicode.Text1()->setFocus();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(unicode.Text1(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied != nullptr);
        QCOMPARE(copied->text(), QString::fromUtf8("\n &amp; \u0101 a\na s\nh \u00e5"));
        QCOMPARE(copied->html(), QStringLiteral("<meta charset=\"utf-8\">") + converted);
        QVERIFY(p.messages().empty());
    }

    // Closing secondary windows with their close boxes does not end the program.
    void closing_secondary_windows_keeps_running() {
        Program p;
        for (FormId id : {FormId::Form2, FormId::Form3, FormId::Form4})
            p.forms().Window(id)->close();
        QCOMPARE(p.empty_count(), 0);
        QVERIFY(p.forms().IsLoaded(FormId::Form1));
        QVERIFY(QFile::exists(p.DocumentPath()));
        QCOMPARE(p.Document(), RunDocument(Converted(zv::resources::HelpText())));
    }

    void about() {
        Program p;
        Main(p).Menu().About->trigger();
        QCOMPARE(p.messages().size(), std::size_t(1));
        const MessageRequest& box = p.messages().front();
        QCOMPARE(box.caption, QStringLiteral("Zilvardizer_3"));
        QCOMPARE(box.style, MessageStyle::Ok);
        QVERIFY(box.text.startsWith("ZV "));
        QVERIFY(box.text.contains("Teksta Zilvardis"));
        QVERIFY(box.text.contains("0.99s"));
        QVERIFY(box.text.contains(QString::fromLatin1(zv::config::kCopyrightYear)));
        QVERIFY(box.text.contains(QUrl(QString::fromLatin1(zv::config::kMakerSite)).host()));
        QVERIFY(!box.text.contains("http"));
        QVERIFY(box.text.contains("-----"));
    }

    // A document that cannot be written: the error is shown with the path and the reason in
    // Latvian, the program keeps running, and a later run succeeds.
    void unwritable_document() {
        Program p;
        QTemporaryDir scratch;
        const QString not_a_folder = scratch.filePath("file");
        {
            QFile file(not_a_folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        SetProgramFolder(not_a_folder);
        Main(p).Text1()->setPlainText(QStringLiteral("Riiga"));
        Main(p).Menu().Now->trigger();
        QCOMPARE(p.messages().size(), std::size_t(1));
        QCOMPARE(p.messages().front().text,
                 "Kluda: Nevar ierakstit " + not_a_folder + "/unitext.html: cela dala nav mape");
        QCOMPARE(p.messages().front().caption, QStringLiteral("Zilvardizer_3"));
        QCOMPARE(UnicodeText(p), QStringLiteral("R&#299;ga"));  // steps before the write stay
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            QVERIFY(p.forms().IsLoaded(id));
        }
        SetProgramFolder(p.folder());
        Main(p).Text1()->setPlainText(QStringLiteral("Kjeepis"));
        Main(p).Menu().Now->trigger();
        QCOMPARE(p.messages().size(), std::size_t(1));
        QCOMPARE(p.Document(), RunDocument("&#310;&#275;pis"));
    }

    // Automatic conversion into a folder that cannot take the document: one error box at a
    // time, however many ticks arrive while it is open.
    void failing_ticks_do_not_stack_boxes() {
        Program p;
        QTemporaryDir scratch;
        const QString not_a_folder = scratch.filePath("file");
        {
            QFile file(not_a_folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        SetProgramFolder(not_a_folder);
        int open = 0;
        int most_open = 0;
        QTimer* timer = Main(p).Timer1();
        timer->stop();  // the ticks are the test's own
        p.OnMessage([&](const MessageRequest&) {
            ++open;
            most_open = std::max(most_open, open);
            for (int i = 0; i < 3; ++i) test::Tick(timer);  // while the box is open
            --open;
        });
        Main(p).Menu().every->trigger();
        test::Tick(timer);
        test::Tick(timer);
        Main(p).Menu().Never->trigger();
        QCOMPARE(p.messages().size(), std::size_t(2));
        QCOMPARE(most_open, 1);
        SetProgramFolder(p.folder());
    }
};

int main(int argc, char** argv) {
    MainWindowTest test;
    return zv::ui::test::RunUiTest(argc, argv, &test);
}
#include "test_ui_main.moc"
