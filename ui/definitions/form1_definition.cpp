#include "ui/definitions/form1_definition.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

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

    BuildMenus();
}

void Form1Definition::BuildMenus() {
    Form1Menu& m = menu_;
    m.File = AddMenu(QStringLiteral("File"), QStringLiteral("ZV"));
    m.Quit = AddItem(m.File, QStringLiteral("Quit"), QStringLiteral("Iziet"), Qt::CTRL | Qt::Key_Q);
    m.About = AddItem(m.File, QStringLiteral("About"), QStringLiteral("Par ZV"));

    m.Window = AddMenu(QStringLiteral("Window"), QStringLiteral("Logi"));
    m.Help = AddItem(m.Window, QStringLiteral("Help"), QStringLiteral("Online Paligs"), Qt::Key_F1);
    m.HTML = AddItem(m.Window, QStringLiteral("HTML"), QStringLiteral("HTML"), Qt::Key_F2);
    m.Unicodedtext = AddItem(m.Window, QStringLiteral("Unicodedtext"),
                             QStringLiteral("Unikod. teksts "), Qt::Key_F3);

    m.Zilvardize = AddMenu(QStringLiteral("Zilvardize"), QStringLiteral("Zilvardo"));
    m.Now = AddItem(m.Zilvardize, QStringLiteral("Now"), QStringLiteral("Tagad"), Qt::Key_F5);
    m.every =
        AddItem(m.Zilvardize, QStringLiteral("every"), QStringLiteral("Katras 10 sek"), Qt::Key_F6);
    m.every->setCheckable(true);
    m.every->setChecked(false);
    m.Never = AddItem(m.Zilvardize, QStringLiteral("Never"), QStringLiteral("Nekad"), Qt::Key_F7);
    m.Never->setCheckable(true);
    m.Never->setChecked(true);
    m.select_all = AddItem(m.Zilvardize, QStringLiteral("select_all"),
                           QStringLiteral("Izvelies visu"), Qt::CTRL | Qt::Key_A);

    m.betatest = AddMenu(QStringLiteral("betatest"), QString(54, QLatin1Char(' ')) + "Atsauksmes");
    m.feedback = AddItem(m.betatest, QStringLiteral("feedback"),
                         QString(42, QLatin1Char(' ')) + "Izpildi online feedback");
    m.feedback3 =
        AddItem(m.betatest, QStringLiteral("feedback3"),
                QString(44, QLatin1Char(' ')) + "Paldies!" + QString(74, QLatin1Char(' ')));

    m.Lang = AddBarItem(QStringLiteral("Lang"), QStringLiteral("Valoda/Language/spr\u00e5k"));
}

}  // namespace zv::ui
