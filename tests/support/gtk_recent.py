"""Adds documents to the recent-files list the way a GTK editor does (Gtk.RecentManager),
under the HOME and XDG_DATA_HOME it is given, and waits until GTK has written the list.

    python3 gtk_recent.py URI... ("private:" in front marks the item private)

No display is needed: the recent manager is plain GLib underneath. Exit 0 once every
URI is in the file, 1 when GTK did not write it within ten seconds.
"""
import html
import sys
import warnings

import gi

# Without a display GTK has no settings object to ask whether recent files are enabled; it
# warns and goes on as if they were.
warnings.simplefilter("ignore")

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

manager = Gtk.RecentManager.get_default()
wanted = []
for arg in sys.argv[1:]:
    private = arg.startswith("private:")
    uri = arg[len("private:"):] if private else arg
    # Only written to: reading a field of this struct back corrupts the next one made.
    data = Gtk.RecentData()
    data.mime_type = "text/plain"
    data.app_name = "editor"
    data.app_exec = "editor %u"
    data.is_private = private
    if not manager.add_full(uri, data):
        sys.exit(1)
    wanted.append(uri)

loop = GLib.MainLoop()
result = {"ok": False}


def written():
    try:
        with open(manager.props.filename, encoding="utf-8") as xbel:
            text = xbel.read()
    except OSError:
        return True
    if all('href="%s"' % html.escape(uri) in text for uri in wanted):
        result["ok"] = True
        loop.quit()
        return False
    return True


GLib.timeout_add(20, written)
GLib.timeout_add_seconds(10, loop.quit)
loop.run()
sys.exit(0 if result["ok"] else 1)
