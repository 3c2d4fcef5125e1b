#!/usr/bin/python3
"""The programs GTK's "Open With" chooser (GtkAppChooserWidget, as GNOME Files shows it) lists
for a content type, one desktop id a line: run under a display, with the XDG folders of the
caller. Needs Debian's python3-gi and gir1.2-gtk-3.0.

  gtk_chooser.py CONTENT-TYPE"""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gio, Gtk  # noqa: E402


def tree_views(widget):
    if isinstance(widget, Gtk.TreeView):
        yield widget
    if isinstance(widget, Gtk.Container):
        for child in widget.get_children():
            yield from tree_views(child)


def main():
    chooser = Gtk.AppChooserWidget(content_type=sys.argv[1])
    # What the "Open With" dialog shows first: the default, the recommended and the related
    # programs ("View All Applications" would add every other one).
    for prop in ("show-default", "show-recommended", "show-fallback"):
        chooser.set_property(prop, True)
    window = Gtk.Window()
    window.add(chooser)
    window.show_all()
    while Gtk.events_pending():
        Gtk.main_iteration()
    listed = set()
    for view in tree_views(chooser):
        model = view.get_model()
        columns = model.get_n_columns()
        for row in model:
            for column in range(columns):
                value = row[column]
                if isinstance(value, Gio.AppInfo) and value.get_id():
                    listed.add(value.get_id())
    for app in sorted(listed):
        print(app)
    return 0


if __name__ == "__main__":
    sys.exit(main())
