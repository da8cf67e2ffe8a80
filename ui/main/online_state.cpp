#include "ui/main/online_state.h"

#include <QFile>
#include <QStringList>
#include <stdexcept>

namespace zv::ui {
namespace {

// Route flags as the kernel writes them (hexadecimal).
constexpr unsigned kRouteUp = 0x0001;
constexpr unsigned kRouteReject = 0x0200;

OnlineStateQuery& InstalledQuery() {
    static OnlineStateQuery query;
    return query;
}

// The whitespace-separated fields of each line.
QList<QStringList> Rows(QStringView table) {
    QList<QStringList> rows;
    for (QStringView line : table.split(QLatin1Char('\n'))) {
        const QStringList fields = line.toString().simplified().split(QLatin1Char(' '));
        if (!fields.isEmpty() && !fields.front().isEmpty()) rows.append(fields);
    }
    return rows;
}

bool UsableRoute(const QString& flags_field, const QString& interface) {
    bool ok = false;
    const unsigned flags = flags_field.toUInt(&ok, 16);
    return ok && (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0 &&
           interface != QLatin1String("lo");
}

QByteArray ReadTable(const QString& path, bool* ok) {
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
}

// Tried once: a backend that did not load the first time will not load later.
QNetworkInformation* Backend() {
    static QNetworkInformation* const backend = []() -> QNetworkInformation* {
        if (QNetworkInformation::instance() == nullptr &&
            !QNetworkInformation::loadBackendByFeatures(
                QNetworkInformation::Feature::Reachability)) {
            return nullptr;
        }
        QNetworkInformation* info = QNetworkInformation::instance();
        if (info == nullptr || !info->supports(QNetworkInformation::Feature::Reachability)) {
            return nullptr;
        }
        return info;
    }();
    return backend;
}

int RouteState() {
    return OnlineStateFromRouteFiles(QStringLiteral("/proc/net/route"),
                                     QStringLiteral("/proc/net/ipv6_route"));
}

}  // namespace

int QueryOnlineState() {
    if (InstalledQuery()) {
        const OnlineStateQuery query = InstalledQuery();  // may replace itself while it runs
        return query();
    }
    return SystemOnlineState();
}

void SetOnlineStateQuery(OnlineStateQuery query) { InstalledQuery() = std::move(query); }

int SystemOnlineState() {
    if (QNetworkInformation* info = Backend()) {
        return OnlineStateFromReachability(info->reachability(), RouteState);
    }
    return RouteState();
}

int OnlineStateFromReachability(QNetworkInformation::Reachability reachability,
                                const std::function<int()>& from_routes) {
    switch (reachability) {
        case QNetworkInformation::Reachability::Online:
            return kOnline;
        case QNetworkInformation::Reachability::Disconnected:
        case QNetworkInformation::Reachability::Local:
        case QNetworkInformation::Reachability::Site:
            return kOffline;
        case QNetworkInformation::Reachability::Unknown:
            break;
    }
    return from_routes();
}

// Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
bool HasIpv4DefaultRoute(QStringView table) {
    const QLatin1String any("00000000");
    for (const QStringList& f : Rows(table)) {
        if (f.size() < 8) continue;
        if (f[1] == any && f[7] == any && UsableRoute(f[3], f[0])) return true;
    }
    return false;
}

// Destination, its prefix length, source, its prefix length, next hop, metric, reference count,
// use count, flags, interface.
bool HasIpv6DefaultRoute(QStringView table) {
    const QString any(32, QLatin1Char('0'));
    for (const QStringList& f : Rows(table)) {
        if (f.size() != 10) continue;
        if (f[0] == any && f[1] == QLatin1String("00") && UsableRoute(f[8], f[9])) return true;
    }
    return false;
}

int OnlineStateFromRouteFiles(const QString& ipv4_path, const QString& ipv6_path) {
    bool ipv4_read = false;
    bool ipv6_read = false;
    const QString ipv4 = QString::fromLatin1(ReadTable(ipv4_path, &ipv4_read));
    const QString ipv6 = QString::fromLatin1(ReadTable(ipv6_path, &ipv6_read));
    if (!ipv4_read && !ipv6_read) {
        throw std::runtime_error("The routing tables cannot be read: " + ipv4_path.toStdString() +
                                 ", " + ipv6_path.toStdString());
    }
    return HasIpv4DefaultRoute(ipv4) || HasIpv6DefaultRoute(ipv6) ? kOnline : kOffline;
}

}  // namespace zv::ui
