#!/usr/bin/python3
"""A stand-in for the desktop's IBus panel in the input method's end-to-end test:
ime_panel.py FOLDER writes the candidate window's words (one a line; empty when hidden) to
FOLDER/candidates, the engine's property menu (key, state, sensitive and label, one a line) to
FOLDER/properties, and its process id to FOLDER/pid. SIGUSR1 turns the property "conventions"
off and SIGUSR2 on, as a click in the menu does; SIGHUP clicks the first candidate."""
import os
import signal
import sys

import gi

gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402


def save(path, text):
    with open(path + ".new", "w", encoding="utf-8") as out:
        out.write(text)
    os.replace(path + ".new", path)


class Panel(IBus.PanelService):
    def __init__(self, bus, folder):
        super().__init__(connection=bus.get_connection(), object_path=IBus.PATH_PANEL)
        self.folder = folder
        self.properties = {}

    def do_update_lookup_table(self, table, visible):
        words = [table.get_candidate(i).get_text()
                 for i in range(table.get_number_of_candidates())] if visible else []
        save(os.path.join(self.folder, "candidates"), "".join(w + "\n" for w in words))

    def do_hide_lookup_table(self):
        save(os.path.join(self.folder, "candidates"), "")

    def do_register_properties(self, props):
        self.properties = {}
        i = 0
        while (prop := props.get(i)) is not None:
            self.properties[prop.get_key()] = prop
            i += 1
        self.save_properties()

    def do_update_property(self, prop):
        self.properties[prop.get_key()] = prop
        self.save_properties()

    def save_properties(self):
        save(os.path.join(self.folder, "properties"),
             "".join(f"{key} {int(prop.get_state())} {int(prop.get_sensitive())} "
                     f"{prop.get_label().get_text()}\n"
                     for key, prop in self.properties.items()))


def main():
    folder = sys.argv[1]
    save(os.path.join(folder, "pid"), str(os.getpid()))
    IBus.init()
    bus = IBus.Bus()
    panel = Panel(bus, folder)
    bus.request_name(IBus.SERVICE_PANEL, 0)
    for signum, state in ((signal.SIGUSR1, IBus.PropState.UNCHECKED),
                          (signal.SIGUSR2, IBus.PropState.CHECKED)):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signum,
                             lambda s=state: panel.property_activate("conventions", s) or True)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGHUP,
                         lambda: panel.candidate_clicked(0, 1, 0) or True)
    bus.connect("disconnected", lambda _: loop.quit())
    loop = GLib.MainLoop()
    loop.run()


if __name__ == "__main__":
    main()
