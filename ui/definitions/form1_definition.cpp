#include "ui/definitions/form1_definition.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

#include "ui/texts.h"

namespace zv::ui {

const QString Form1Definition::kCaption =
    QStringLiteral("ZV  --  Teksta Zilvardis  v.0.98s -- (Enter or paste text here) ");

Form1Definition::Form1Definition() : ZvWindow(FormId::Form1, QStringLiteral("Form1"), kCaption) {
    DefineClientArea({165, 630, 8085, 8475});
    SetClientColor(QColor(128, 0, 0));

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(10000);
    timer1_->start();

    text1_ = MakeTextBox<TextBox>(Client(), QColor(128, 0, 0));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(12);
    font.setBold(true);
    text1_->setFont(font);
    SetControlPlace(text1_, {2160, 3120, 150, 285});
    DescribeControl(text1_, kCaption, texts::kMainTextDescription);

    BuildMenus();
}

void Form1Definition::BuildMenus() {
    Form1Menu& m = menu_;
    m.File = AddMenu(QStringLiteral("File"), QStringLiteral("ZV"));
    m.Quit = AddCommand(m.File, QStringLiteral("Quit"), QStringLiteral("Iziet"),
                        Qt::CTRL | Qt::Key_Q, [this] { Quit_Click(); });
    m.About = AddCommand(m.File, QStringLiteral("About"), QStringLiteral("Par ZV"), {},
                         [this] { About_Click(); });
    m.Previous = AddCommand(m.File, QStringLiteral("Previous"), texts::kPreviousText, {},
                            [this] { Previous_Click(); });

    m.Window = AddMenu(QStringLiteral("Window"), QStringLiteral("Logi"));
    m.Help = AddCommand(m.Window, QStringLiteral("Help"), QStringLiteral("Online Paligs"),
                        Qt::Key_F1, [this] { Help_Click(); });
    m.HTML = AddCommand(m.Window, QStringLiteral("HTML"), QStringLiteral("HTML"), Qt::Key_F2,
                        [this] { HTML_Click(); });
    m.Unicodedtext =
        AddCommand(m.Window, QStringLiteral("Unicodedtext"), QStringLiteral("Unikod. teksts "),
                   Qt::Key_F3, [this] { Unicodedtext_Click(); });

    m.Zilvardize = AddMenu(QStringLiteral("Zilvardize"), QStringLiteral("Zilvardo"));
    m.Now = AddCommand(m.Zilvardize, QStringLiteral("Now"), QStringLiteral("Tagad"), Qt::Key_F5,
                       [this] { Now_Click(); });
    m.every = AddMarkCommand(m.Zilvardize, QStringLiteral("every"), QStringLiteral("Katras 10 sek"),
                             Qt::Key_F6, false, [this] { every_Click(); });
    m.Never = AddMarkCommand(m.Zilvardize, QStringLiteral("Never"), QStringLiteral("Nekad"),
                             Qt::Key_F7, true, [this] { Never_Click(); });
    m.select_all =
        AddCommand(m.Zilvardize, QStringLiteral("select_all"), QStringLiteral("Izvelies visu"),
                   Qt::CTRL | Qt::Key_A, [this] { select_all_Click(); });
    m.copy_text = AddCommand(m.Zilvardize, QStringLiteral("copy_text"), texts::kCopyText,
                             Qt::CTRL | Qt::SHIFT | Qt::Key_C, [this] { copy_text_Click(); });
    m.Restore = AddCommand(m.Zilvardize, QStringLiteral("Restore"), texts::kRestoreMarks,
                           Qt::Key_F8, [this] { Restore_Click(); });

    m.betatest = AddMenu(QStringLiteral("betatest"), QString(54, QLatin1Char(' ')) + "Atsauksmes");
    m.feedback = AddCommand(m.betatest, QStringLiteral("feedback"),
                            QString(42, QLatin1Char(' ')) + "Izpildi online feedback", {},
                            [this] { feedback_Click(); });
    m.feedback3 =
        AddCommand(m.betatest, QStringLiteral("feedback3"),
                   QString(44, QLatin1Char(' ')) + "Paldies!" + QString(74, QLatin1Char(' ')), {},
                   [this] { feedback3_Click(); });

    m.Lang = AddBarItem(QStringLiteral("Lang"), QStringLiteral("Valoda/Language/spr\u00e5k"));
}

}  // namespace zv::ui
