#!/usr/bin/python3
"""Asks a StatusNotifier item what a panel asks it, and prints the answer.

    sni_item.py SERVICE PATH prop NAME         the property's value
    sni_item.py SERVICE PATH menu              the exported menu: "id<TAB>label<TAB>enabled<TAB>toggle" lines
    sni_item.py SERVICE PATH click LABEL       sends the menu item's "clicked" event
    sni_item.py SERVICE PATH call METHOD       Activate or ContextMenu at 0,0 (fails after 10 s)
    sni_item.py SERVICE PATH ping              any answer within 10 s (exit status 0)
"""
import sys

import dbus

ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
TIMEOUT = 10


def menu_items(bus, service, path):
    menu_path = bus.get_object(service, path).Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE, timeout=TIMEOUT)
    menu = dbus.Interface(bus.get_object(service, menu_path), MENU)
    menu.AboutToShow(0, timeout=TIMEOUT)
    _, layout = menu.GetLayout(0, -1, [], timeout=TIMEOUT)
    items = []
    for child in layout[2]:
        ident, props = int(child[0]), child[1]
        if props.get("type") == "separator":
            continue
        items.append((ident, str(props.get("label", "")), bool(props.get("enabled", True)),
                      int(props.get("toggle-state", -1))))
    return menu, items


def main():
    service, path, command = sys.argv[1:4]
    bus = dbus.SessionBus()
    if command == "prop":
        value = bus.get_object(service, path).Get(ITEM, sys.argv[4], dbus_interface=dbus.PROPERTIES_IFACE,
                                                   timeout=TIMEOUT)
        print(value)
    elif command == "menu":
        for ident, label, enabled, toggle in menu_items(bus, service, path)[1]:
            print("%d\t%s\t%s\t%d" % (ident, label, "enabled" if enabled else "disabled", toggle))
    elif command == "click":
        menu, items = menu_items(bus, service, path)
        ident = next(i for i, label, _, _ in items if label == sys.argv[4])
        menu.Event(ident, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0), timeout=TIMEOUT)
    elif command == "call":
        getattr(dbus.Interface(bus.get_object(service, path), ITEM), sys.argv[4])(0, 0, timeout=TIMEOUT)
    elif command == "ping":
        bus.get_object(service, path).Get(ITEM, "Id", dbus_interface=dbus.PROPERTIES_IFACE, timeout=TIMEOUT)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
