#include "document/write_failure.h"

#include <cerrno>

namespace zv {

std::optional<QString> LatvianReason(int error_number) {
    switch (error_number) {
        case ENOENT:
            return QStringLiteral("tadas mapes nav");
        case ENOTDIR:
            return QStringLiteral("cela dala nav mape");
        case EACCES:
        case EPERM:
            return QStringLiteral("nav atlaujas rakstit");
        case ENOSPC:
            return QStringLiteral("diska nav vietas");
        case EDQUOT:
            return QStringLiteral("diska kvota ir izlietota");
        case EROFS:
            return QStringLiteral("failu sistema ir tikai lasama");
        case EISDIR:
            return QStringLiteral("ta ir mape, nevis fails");
        case ELOOP:
            return QStringLiteral("parak daudz simbolisko saisu");
        case EFBIG:
            return QStringLiteral("fails ir parak liels");
        case ENAMETOOLONG:
            return QStringLiteral("nosaukums ir parak gars");
        case EIO:
            return QStringLiteral("ievades/izvades kluda");
        default:
            return std::nullopt;
    }
}

QString LatvianWriteFailure(const QString& path, int error_number, const QString& detail) {
    return QStringLiteral("Nevar ierakstit %1: %2")
        .arg(path, LatvianReason(error_number).value_or(detail));
}

}  // namespace zv
