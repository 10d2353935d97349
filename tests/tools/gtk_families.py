#!/usr/bin/python3
"""A GTK 3 program that reports the font families it can use, as a running program on the
desktop sees them.

  gtk_families.py --once            prints the families of a program started now, and ends
  gtk_families.py DAEMON [ARGS...]  starts the settings daemon, prints "daemon PID", waits until
                                    GTK reads its settings, prints "ready", then a line
                                    "families ..." at start and at every change, and
                                    "announced N" at every fontconfig announcement; ends (with
                                    the daemon) when its input closes

Families are sorted and joined with "|".
"""
import subprocess
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("PangoCairo", "1.0")
from gi.repository import GLib, Gtk, PangoCairo  # noqa: E402


def families():
    names = (f.get_name() for f in PangoCairo.FontMap.get_default().list_families())
    return "|".join(sorted(names))


def say(line):
    print(line, flush=True)


def main():
    if sys.argv[1:] == ["--once"]:
        say(families())
        return 0
    Gtk.init([])
    settings = Gtk.Settings.get_default()
    daemon = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    say("daemon %d" % daemon.pid)
    state = {"ready": False, "families": None}

    def poll():
        now = families()
        if now != state["families"]:
            state["families"] = now
            say("families " + now)
        return GLib.SOURCE_CONTINUE

    def on_notify(_settings, param):
        # The daemon's settings arrive all at once when it takes over the display.
        if not state["ready"]:
            state["ready"] = True
            say("ready")
            poll()
            GLib.timeout_add(100, poll)
        if param.name == "gtk-fontconfig-timestamp":
            say("announced %d" % settings.props.gtk_fontconfig_timestamp)

    def on_input(_channel, _condition):
        Gtk.main_quit()
        return GLib.SOURCE_REMOVE

    def gave_up():
        if not state["ready"]:
            say("the settings daemon did not take over the display")
            Gtk.main_quit()
        return GLib.SOURCE_REMOVE

    settings.connect("notify", on_notify)
    GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.IO_IN | GLib.IO_HUP, on_input)
    GLib.timeout_add(20000, gave_up)
    Gtk.main()
    daemon.terminate()
    daemon.wait()
    return 0


sys.exit(main())
