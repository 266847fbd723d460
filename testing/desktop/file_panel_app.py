#!/usr/bin/python3
"""A small GTK3 application for the desktop tests.

    file_panel_app.py --title TITLE [--document TEXT | --entry TEXT] [--bus-name NAME]
                      [--open FOLDER [--select NAME]...] [--save FOLDER [--typed NAME]]

Shows one main window titled TITLE and, with --open or --save, a modal GTK file chooser with
the standard "Open" or "Save" buttons on FOLDER, with each NAME selected, or NAME typed. (Not
"--name": GTK takes that option for itself.) With --document the main window is an editor: a
"Save" button over a multi-line text view holding TEXT; with --entry it is a form that looks
like a save panel: a "Save" button and a one-line entry holding TEXT. With --bus-name it owns
NAME on the session bus, as an application with that identifier does. It runs until it is
killed; the tests find out what it shows through the desktop, as any other client would.
"""
import argparse
import os

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gio, GLib  # noqa: E402

# Before GTK starts: X11 windows take their WM_CLASS from the program name at that moment.
GLib.set_prgname("ozmi-test-panel")
GLib.set_application_name("Ozmi Test Panel")

from gi.repository import Gtk  # noqa: E402


def tree_views(widget):
    if isinstance(widget, Gtk.TreeView):
        yield widget
    if isinstance(widget, Gtk.Container):
        children = []
        widget.forall(children.append)
        for child in children:
            yield from tree_views(child)


def select_rows(chooser, names):
    """Selects the rows of `names` in the chooser's file list; False once all are selected."""
    for view in tree_views(chooser):
        selection = view.get_selection()
        if selection.get_mode() != Gtk.SelectionMode.MULTIPLE or view.get_model() is None:
            continue
        for row in view.get_model():
            # The list's first column is the file's name (its display name).
            if row[0] in names:
                selection.select_iter(row.iter)
    selected = {os.path.basename(f) for f in chooser.get_filenames()}
    return not names <= selected


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--title", required=True)
    parser.add_argument("--open")
    parser.add_argument("--select", action="append", default=[])
    parser.add_argument("--document")
    parser.add_argument("--entry")
    parser.add_argument("--bus-name")
    parser.add_argument("--save")
    parser.add_argument("--typed")
    options = parser.parse_args()

    window = Gtk.Window(title=options.title)
    window.set_default_size(400, 300)
    window.connect("destroy", Gtk.main_quit)
    if options.document is not None or options.entry is not None:
        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
        box.pack_start(Gtk.Button.new_with_mnemonic("_Save"), False, False, 0)
        if options.document is not None:
            view = Gtk.TextView()
            view.get_buffer().set_text(options.document)
            box.pack_start(view, True, True, 0)
        else:
            entry = Gtk.Entry()
            entry.set_text(options.entry)
            box.pack_start(entry, False, False, 0)
        window.add(box)
    window.show_all()

    def open_chooser():
        if options.open:
            chooser = Gtk.FileChooserDialog(
                title="Open File", transient_for=window, action=Gtk.FileChooserAction.OPEN)
            chooser.add_buttons("_Cancel", Gtk.ResponseType.CANCEL, "_Open", Gtk.ResponseType.ACCEPT)
            chooser.set_current_folder(options.open)
            chooser.set_select_multiple(len(options.select) > 1)
            for name in options.select:
                chooser.select_filename(os.path.join(options.open, name))
            if len(options.select) > 1:
                # GTK 3 selects each named file by moving the list's cursor to it, which
                # leaves only the last one selected; add the others in the list itself once
                # the folder is listed.
                GLib.timeout_add(100, select_rows, chooser, set(options.select))
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

    if options.bus_name:
        Gio.bus_own_name(Gio.BusType.SESSION, options.bus_name, Gio.BusNameOwnerFlags.NONE, None, None, None)
    if options.open or options.save:
        GLib.idle_add(open_chooser)
    Gtk.main()


if __name__ == "__main__":
    main()
