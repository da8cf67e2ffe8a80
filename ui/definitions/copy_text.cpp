#include "ui/definitions/copy_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <string>

#include "engine/plain_text.h"

namespace zv::ui {
namespace {

void Copy(const std::string& plain, const QString& converted) {
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(plain));
    data->setHtml(ClipboardHtml(converted));
    QGuiApplication::clipboard()->setMimeData(data);  // takes it over
}

}  // namespace

QString ClipboardHtml(const QString& converted) {
    return QStringLiteral("<meta charset=\"utf-8\">") + converted;
}

void CopyTypedText(const QString& typed, const QString& converted) {
    Copy(PlainText(typed.toStdString()), converted);
}

void CopyConvertedText(const QString& converted) {
    Copy(PlainTextOfConverted(converted.toStdString()), converted);
}

}  // namespace zv::ui
