// The IBus engine "zv": the typing core (ime/core) as an IBusEngine. It hands the core each key,
// shows the word being typed as underlined preedit and the dictionary's suggestions in the
// candidate window, commits what the core commits, and offers the toggles of its property menu.
#pragma once

#include <ibus.h>

namespace zv::ime {

// The engine's GObject type, a subclass of IBusEngine, for ibus_factory_add_engine.
GType EngineType();

}  // namespace zv::ime
