#!/usr/bin/python3
"""A GTK 3 text field for the input method's end-to-end test: ime_field_gtk.py FILE TITLE shows a
text view and writes what it holds to FILE, and the input method's word being typed (the preedit,
not yet part of the text) to FILE.preedit, each replaced whole whenever it changes. SIGUSR1 makes
it a password field (its input purpose), SIGUSR2 a plain one again."""
import os
import signal
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def save(path, text):
    with open(path + ".new", "w", encoding="utf-8") as out:
        out.write(text)
    os.replace(path + ".new", path)


def main():
    path, title = sys.argv[1], sys.argv[2]
    window = Gtk.Window(title=title)
    window.set_default_size(600, 200)
    view = Gtk.TextView()
    window.add(view)
    buffer = view.get_buffer()
    buffer.connect(
        "changed",
        lambda b: save(path, b.get_text(b.get_start_iter(), b.get_end_iter(), True)))
    view.connect("preedit-changed", lambda _, preedit: save(path + ".preedit", preedit))
    save(path, "")
    save(path + ".preedit", "")
    for signum, purpose in ((signal.SIGUSR1, Gtk.InputPurpose.PASSWORD),
                            (signal.SIGUSR2, Gtk.InputPurpose.FREE_FORM)):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signum,
                             lambda p=purpose: view.set_input_purpose(p) or True)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    window.present()
    view.grab_focus()
    Gtk.main()


if __name__ == "__main__":
    main()
