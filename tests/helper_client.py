#!/usr/bin/python3
"""An independent client of the helper's notification channel, in dbus-python.

usage: helper_client.py --expect NAME [--count N] [--post NAME] [--object OBJ]
                        [--extra] [--wait-go] [--timeout SECONDS]

Subscribes to notifications called NAME on the session bus, prints "READY",
then (after a line on standard input with --wait-go) posts --post, with
--object as second argument and with --extra a further a{sv} argument, the
way a client with user information would. Prints one line per notification
received, "<name> <signature>", and exits 0 once N have arrived, 1 on timeout.
"""

import argparse
import sys

import dbus
import dbus.lowlevel
import dbus.mainloop.glib
from gi.repository import GLib

PATH = '/com/quorvane/DistributedNotifications'
INTERFACE = 'com.quorvane.DistributedNotifications'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--expect', required=True)
    parser.add_argument('--count', type=int, default=1)
    parser.add_argument('--post')
    parser.add_argument('--object')
    parser.add_argument('--extra', action='store_true')
    parser.add_argument('--wait-go', action='store_true')
    parser.add_argument('--timeout', type=float, default=20)
    args = parser.parse_args()

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    received = []

    def on_notification(*values, message=None):
        received.append(values[0])
        print('%s %s' % (values[0], message.get_signature()), flush=True)
        if len(received) >= args.count:
            loop.quit()

    bus.add_signal_receiver(on_notification, signal_name='Notification',
                            dbus_interface=INTERFACE, arg0=args.expect,
                            message_keyword='message')
    print('READY', flush=True)
    if args.wait_go:
        sys.stdin.readline()
    if args.post:
        message = dbus.lowlevel.SignalMessage(PATH, INTERFACE, 'Notification')
        values = [dbus.String(args.post)]
        signature = 's'
        if args.object is not None:
            values.append(dbus.String(args.object))
            signature += 's'
        if args.extra:
            values.append(dbus.Dictionary({'sender': dbus.String('helper_client')}, signature='sv'))
            signature += 'a{sv}'
        message.append(*values, signature=signature)
        bus.send_message(message)

    def on_timeout():
        loop.quit()
        return False

    GLib.timeout_add(int(args.timeout * 1000), on_timeout)
    loop.run()
    return 0 if len(received) >= args.count else 1


if __name__ == '__main__':
    sys.exit(main())
