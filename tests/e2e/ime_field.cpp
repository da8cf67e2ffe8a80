// A Qt text field for the input method's end-to-end test: zv-ime-field FILE TITLE shows a plain
// text box and writes what it holds to FILE, and the input method's word being typed (the
// preedit, not yet part of the text) to FILE.preedit, each replaced whole whenever it changes.
#include <QApplication>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {

void Save(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(text.toUtf8());
    file.commit();
}

class Field : public QPlainTextEdit {
  public:
    explicit Field(QString path) : path_(std::move(path)) {
        connect(this, &QPlainTextEdit::textChanged, this, [this] { Save(path_, toPlainText()); });
        Save(path_, {});
        Save(path_ + ".preedit", {});
    }

  protected:
    void inputMethodEvent(QInputMethodEvent* event) override {
        QPlainTextEdit::inputMethodEvent(event);
        Save(path_ + ".preedit", event->preeditString());
    }

  private:
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) return 64;
    Field field(QString::fromLocal8Bit(argv[1]));
    field.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    field.resize(600, 200);
    field.show();
    field.activateWindow();
    return app.exec();
}
