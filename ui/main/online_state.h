// Whether the computer is online, as the help window's check needs it.
//
// "Online" means what the desktop means by it: a network connection with a default route. It is
// no promise that any site answers. The answer is an int: 1 when online, anything else when
// not; the query raises an error when it cannot tell at all.
//
// The answer comes from Qt's network information backend when one with reachability loads, and
// from the kernel's routing tables (/proc/net/route, /proc/net/ipv6_route) where none does or
// where the backend does not know.
#pragma once

#include <QNetworkInformation>
#include <QString>
#include <QStringView>
#include <functional>

namespace zv::ui {

inline constexpr int kOnline = 1;
inline constexpr int kOffline = 0;

// The online state: the query set with SetOnlineStateQuery, or the system's. May throw.
int QueryOnlineState();

// Replaces the query (tests). An empty function restores the system's query.
using OnlineStateQuery = std::function<int()>;
void SetOnlineStateQuery(OnlineStateQuery query);

// The system's query: the backend's reachability, or the routing tables.
int SystemOnlineState();

// A backend's reachability as the online state; Unknown asks from_routes instead.
int OnlineStateFromReachability(QNetworkInformation::Reachability reachability,
                                const std::function<int()>& from_routes);

// The routing tables in the text form of /proc/net/route and /proc/net/ipv6_route: whether one
// holds a default route that is up, not a reject route, on an interface other than lo.
// Lines that do not have the table's form are skipped.
bool HasIpv4DefaultRoute(QStringView table);
bool HasIpv6DefaultRoute(QStringView table);

// The online state from the two table files; a file that cannot be read counts as no route.
// Raises std::runtime_error when neither can be read.
int OnlineStateFromRouteFiles(const QString& ipv4_path, const QString& ipv6_path);

}  // namespace zv::ui
