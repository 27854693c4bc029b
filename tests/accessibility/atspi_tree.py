#!/usr/bin/python3
"""Prints the accessibility tree that an application shows screen readers, one line per object:
depth, role name, states (focusable, showing), name. Talks AT-SPI over plain D-Bus.

    atspi_tree.py APPLICATION-NAME [SECONDS]   (waits up to SECONDS for the application)
"""
import sys
import time

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
# Bits of AT-SPI's state set (AtspiStateType).
STATE_FOCUSABLE = 11
STATE_SHOWING = 25


def a11y_bus():
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
    return dbus.bus.BusConnection(str(address))


def node(bus, ref):
    return bus.get_object(str(ref[0]), str(ref[1]), introspect=False)


def name_of(obj):
    return str(obj.Get(ACCESSIBLE, "Name", dbus_interface="org.freedesktop.DBus.Properties"))


def find_application(bus, wanted, seconds):
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root", introspect=False)
    end = time.time() + seconds
    while True:
        for ref in registry.GetChildren(dbus_interface=ACCESSIBLE):
            try:
                app = node(bus, ref)
                if name_of(app) == wanted and app.GetChildren(dbus_interface=ACCESSIBLE):
                    return app
            except dbus.DBusException:
                pass  # an application that went away meanwhile
        if time.time() > end:
            return None
        time.sleep(0.3)  # how often the registry is looked at


def walk(bus, obj, depth, out):
    states = obj.GetState(dbus_interface=ACCESSIBLE)
    bits = int(states[0]) | (int(states[1]) << 32)
    flags = ("F" if bits & (1 << STATE_FOCUSABLE) else "-") + ("S" if bits & (1 << STATE_SHOWING) else "-")
    role = str(obj.GetRoleName(dbus_interface=ACCESSIBLE))
    out.append("%d\t%s\t%s\t%s" % (depth, role, flags, name_of(obj)))
    for ref in obj.GetChildren(dbus_interface=ACCESSIBLE):
        walk(bus, node(bus, ref), depth + 1, out)


def main():
    bus = a11y_bus()
    app = find_application(bus, sys.argv[1], float(sys.argv[2]) if len(sys.argv) > 2 else 10)
    if app is None:
        print("no application %s on the accessibility bus" % sys.argv[1], file=sys.stderr)
        return 1
    lines = []
    walk(bus, app, 0, lines)
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
