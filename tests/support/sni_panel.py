#!/usr/bin/python3
"""A StatusNotifier panel of the tests' own: owns org.kde.StatusNotifierWatcher on the session
bus, counts itself as a registered host, and writes the items that register with it, one
"SERVICE PATH" line each, to ITEMS_FILE as they come.

    sni_panel.py ITEMS_FILE
"""
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"


class Watcher(dbus.service.Object):
    def __init__(self, bus, items_file):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []
        self.items_file = items_file
        self.write()

    def write(self):
        with open(self.items_file + ".new", "w") as out:
            out.writelines(item + "\n" for item in self.items)
        # Whole lines or none: the test reads the file while this writes it.
        os.replace(self.items_file + ".new", self.items_file)

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # Items name either their bus name (path /StatusNotifierItem) or their path.
        if service.startswith("/"):
            item = "%s %s" % (sender, service)
        else:
            item = "%s /StatusNotifierItem" % service
        if item not in self.items:
            self.items.append(item)
            self.write()
        self.StatusNotifierItemRegistered(item)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    # Qt reads the properties through an interface built from the introspection data, which
    # dbus-python leaves without them.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s",
                         path_keyword="object_path", connection_keyword="connection")
    def Introspect(self, object_path, connection):
        xml = dbus.service.Object.Introspect(self, object_path, connection)
        properties = ('<property name="RegisteredStatusNotifierItems" type="as" access="read"/>'
                      '<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
                      '<property name="ProtocolVersion" type="i" access="read"/>')
        return xml.replace('<interface name="%s">' % WATCHER, '<interface name="%s">%s' % (WATCHER, properties))

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, sys.argv[1])
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
    watcher.StatusNotifierHostRegistered()
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
