#!/usr/bin/python3
# A stand-in StatusNotifierWatcher with a registered host, for tray tests on a private session bus. Prints
# "ready" once it owns its name and "registered <service>" for every item that registers. Like a host drawing the
# icon, it then reads the item's properties and prints them in one "item ..." line; like a user clicking the icon
# in a panel, it activates the item once and prints "activated" when the item has answered. With --passive it
# only keeps the tray (for bench/ui_idle): no reading, no click. Ending the process is a panel going away; a new
# one is the panel back. With --host-later no host is registered (it prints "asked host" when an item wants to
# know) until a line "host" arrives on stdin.
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.kde.StatusNotifierWatcher"
INTROSPECTION = """<node>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg name="xml" type="s" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
</node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []
        self.host = "--host-later" not in sys.argv

    @dbus.service.method(IFACE, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # A service given as an object path means "this path on the caller's connection".
        name = sender if service.startswith("/") else service
        self.items.append(name)
        print("registered " + name, flush=True)
        self.StatusNotifierItemRegistered(name)
        if "--passive" not in sys.argv:
            self.describe(name)
            GLib.timeout_add(200, self.activate, name)

    def describe(self, name):
        def show(props):
            pixmaps = " ".join("%dx%d:%d" % (w, h, len(data)) for w, h, data in props["IconPixmap"])
            tip = props["ToolTip"]
            print("item %s %s %s %s %s %s icon=%s pixmaps=%s tooltip=%s" % (
                props["Category"], props["Id"], props["Title"], props["Status"], bool(props["ItemIsMenu"]),
                props["Menu"], props["IconName"], pixmaps, tip[2]), flush=True)

        item = self.bus.get_object(name, "/StatusNotifierItem", introspect=False)
        item.GetAll("org.kde.StatusNotifierItem", dbus_interface=dbus.PROPERTIES_IFACE, reply_handler=show,
                    error_handler=lambda error: print("item unreadable " + str(error), flush=True))

    def activate(self, name):
        item = self.bus.get_object(name, "/StatusNotifierItem")
        item.Activate(dbus.Int32(40), dbus.Int32(10), dbus_interface="org.kde.StatusNotifierItem",
                      reply_handler=lambda: print("activated", flush=True),
                      error_handler=lambda error: print("activation failed " + str(error), flush=True))
        return False

    @dbus.service.method(IFACE, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(IFACE, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(IFACE, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def read_command(self, source, condition):
        if source.readline().strip() == "host":
            self.host = True
            self.StatusNotifierHostRegistered()
        return True

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(self.host),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if prop == "IsStatusNotifierHostRegistered" and not self.host:
            print("asked host", flush=True)
        return self.properties()[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    # dbus-python's own introspection lists no properties, and Qt reads the host property only when listed.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return INTROSPECTION


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    name = dbus.service.BusName(IFACE, bus)
    if not watcher.host:
        GLib.io_add_watch(sys.stdin, GLib.IO_IN, watcher.read_command)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del watcher, name


if __name__ == "__main__":
    sys.exit(main())
