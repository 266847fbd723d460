#!/usr/bin/python3
"""A small GTK3 application for the desktop tests.

    file_panel_app.py --title TITLE [--open FOLDER [--select NAME]] [--save FOLDER [--typed NAME]]

Shows one main window titled TITLE and, with --open or --save, a modal GTK file chooser with
the standard "Open" or "Save" buttons on FOLDER, with NAME selected or typed. (Not "--name":
GTK takes that option for itself.) It runs until it
is killed; the tests find out what it shows through the desktop, as any other client would.
"""
import argparse
import os

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib  # noqa: E402

# Before GTK starts: X11 windows take their WM_CLASS from the program name at that moment.
GLib.set_prgname("ozmi-test-panel")
GLib.set_application_name("Ozmi Test Panel")

from gi.repository import Gtk  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--title", required=True)
    parser.add_argument("--open")
    parser.add_argument("--select")
    parser.add_argument("--save")
    parser.add_argument("--typed")
    options = parser.parse_args()

    window = Gtk.Window(title=options.title)
    window.set_default_size(400, 300)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()

    def open_chooser():
        if options.open:
            chooser = Gtk.FileChooserDialog(
                title="Open File", transient_for=window, action=Gtk.FileChooserAction.OPEN)
            chooser.add_buttons("_Cancel", Gtk.ResponseType.CANCEL, "_Open", Gtk.ResponseType.ACCEPT)
            chooser.set_current_folder(options.open)
            if options.select:
                chooser.select_filename(os.path.join(options.open, options.select))
        else:
            chooser = Gtk.FileChooserDialog(
                title="Save File", transient_for=window, action=Gtk.FileChooserAction.SAVE)
            chooser.add_buttons("_Cancel", Gtk.ResponseType.CANCEL, "_Save", Gtk.ResponseType.ACCEPT)
            chooser.set_current_folder(options.save)
        chooser.set_modal(True)
        chooser.show()
        if options.save and options.typed:
            # Typed once the chooser is up, as a user would.
            chooser.set_current_name(options.typed)
        return False

    if options.open or options.save:
        GLib.idle_add(open_chooser)
    Gtk.main()


if __name__ == "__main__":
    main()
