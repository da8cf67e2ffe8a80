// Temporary stand-in for the built-in resources (see README).
#include <QPainter>

#include "resources/resources.h"

namespace zv::resources {

QString HelpText() {
    return QStringLiteral(
        "<p><big><big>Kas?   Kaa?   Ko?</big></big><p>Ievadi (raksti vai ieliimee) tekstu.");
}
QString HelpPageUrl() {
    return QStringLiteral("http://zilvardis.example.org/zilvardo/banner.html");
}
QString FeedbackPageUrl() {
    return QStringLiteral("http://zilvardis.example.org/zilvardo/feedback.htm");
}
QPixmap OfflinePicture() {
    QPixmap picture(150, 242);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawEllipse(10, 10, 130, 222);
    return picture;
}
QIcon ApplicationIcon() { return QIcon(); }

}  // namespace zv::resources
