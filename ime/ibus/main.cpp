// ibus-engine-zv: the engine process that ibus-daemon starts as the component file says
// ("ibus-engine-zv --ibus"). It offers the engine "zv" under the component's bus name and runs
// until the daemon goes away.
#include <ibus.h>
#include <stdio.h>
#include <string.h>

#include "ime/core/composer.h"
#include "ime/ibus/zv_engine.h"

namespace {

constexpr char kBusName[] = "org.freedesktop.IBus.ZV";

// Each engine is made with "has-focus-id", so that the daemon tells it which input context
// gains and loses the focus (see zv_engine.cpp).
IBusEngine* CreateEngine(IBusFactory* factory, const gchar* name, gpointer /*data*/) {
    static unsigned count = 0;
    gchar* path = g_strdup_printf("/org/freedesktop/IBus/Engine/ZV/%u", ++count);
    GObject* engine = G_OBJECT(g_object_new(
        zv::ime::EngineType(), "engine-name", name, "object-path", path, "connection",
        ibus_service_get_connection(IBUS_SERVICE(factory)), "has-focus-id", TRUE, nullptr));
    g_free(path);
    return IBUS_ENGINE(engine);
}

void OnDisconnected(IBusBus* /*bus*/, gpointer /*data*/) { ibus_quit(); }

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--ibus") != 0) {
            fprintf(stderr,
                    "usage: %s --ibus\n"
                    "The IBus engine \"zv\" (Latvian letters from the plain-keyboard "
                    "conventions), started by ibus-daemon.\n",
                    argv[0]);
            return strcmp(argv[i], "--help") == 0 ? 0 : 64;
        }
    }
    // The conversion's tables are made on their first use: made here, the first keys typed do
    // not wait for them.
    zv::ime::ConvertWord(
        "'a Aa aa Ch ch Ee ee Gj gj Ii ii Kj kj Lj lj Nj nj Rj rj Sh sh Uu uu Zh zh");
    ibus_init();
    IBusBus* bus = ibus_bus_new();
    if (!ibus_bus_is_connected(bus)) {
        fprintf(stderr, "%s: cannot connect to ibus-daemon\n", argv[0]);
        return 69;
    }
    g_signal_connect(bus, "disconnected", G_CALLBACK(OnDisconnected), nullptr);
    IBusFactory* factory = ibus_factory_new(ibus_bus_get_connection(bus));
    ibus_factory_add_engine(factory, "zv", zv::ime::EngineType());
    g_signal_connect(factory, "create-engine", G_CALLBACK(CreateEngine), nullptr);
    if (ibus_bus_request_name(bus, kBusName, 0) == 0) {
        fprintf(stderr, "%s: cannot own the bus name %s\n", argv[0], kBusName);
        return 69;
    }
    ibus_main();
    g_object_unref(factory);
    g_object_unref(bus);
    return 0;
}
