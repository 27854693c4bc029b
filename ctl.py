import sys, dbus
bus = dbus.bus.BusConnection(sys.argv[1])
what = sys.argv[2]
mock = bus.get_object("org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager")
if what == "add":
    settings = bus.get_object("org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager/Settings")
    profile = settings.AddConnection({"connection": {"id": sys.argv[3], "type": "vpn"}},
                                     dbus_interface="org.freedesktop.NetworkManager.Settings")
    print(mock.AddActiveConnection(dbus.Array([], signature="s"), profile, "/", "0", dbus.UInt32(2), dbus_interface="org.freedesktop.NetworkManager.Mock"))
else:
    mock.SetProperty(sys.argv[3], "org.freedesktop.NetworkManager.Connection.Active", "State", dbus.UInt32(4),
                     dbus_interface="org.freedesktop.NetworkManager.Mock")
