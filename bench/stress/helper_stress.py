#!/usr/bin/python3
"""Stress runs of the built helper on a private session bus (dbus-python).

usage: helper_stress.py load|hung|idle BUILD
       helper_stress.py client BUILD COUNT SEED     (one load client; internal)

load  4 clients post 1,000 requests each at once, categories mixed; every
      request must be answered and the helper's RSS must stay within 10 %
      from the first to the last thousand responses.
hung  while nettop hangs, fan and sensor requests are answered within 50 ms
      each; the traffic request is answered once the run's time bound
      expires, with the previous answer kept in the store.
idle  with no requests for IDLE_SECONDS (default 60) after start the helper
      wakes 0 times and its Pss stays under 2 MiB.

Prints one line per figure and exits 0 when every guarantee holds.
Run through dbus-run-session (the .sh wrappers do).
"""

import os
import plistlib
import random
import shutil
import subprocess
import sys
import tempfile
import time

import dbus
import dbus.lowlevel
import dbus.mainloop.glib
from gi.repository import GLib

PATH = '/com/quorvane/DistributedNotifications'
INTERFACE = 'com.quorvane.DistributedNotifications'
# The helper's names as BUILD/share/tellwick/helper_names.sh gives them:
# NAMES['requestFans'] is "RequestFans", and so on.
NAMES = {}
SUITE = 'group.K7QZ2M4PXT.com.quorvane.helper.plist'


def read_names(build):
    with open(os.path.join(build, 'share', 'tellwick', 'helper_names.sh')) as f:
        for line in f:
            if '=' in line and not line.startswith('#'):
                key, value = line.strip().split('=', 1)
                NAMES[key] = value.strip("'")


def requests():
    return [NAMES['request' + c] for c in ('Fans', 'Sensors', 'Traffic', 'Batteries')]


def response_to(request):
    key = next(k for k, v in NAMES.items() if v == request)
    return NAMES['response' + key[len('request'):]]


def post(bus, name):
    message = dbus.lowlevel.SignalMessage(PATH, INTERFACE, 'Notification')
    message.append(dbus.String(name), signature='s')
    bus.send_message(message)


class Helper:
    """The built helper with a scratch store and a tool folder first on PATH."""

    def __init__(self, build, tools=None):
        self.scratch = tempfile.mkdtemp(prefix='tellwick-stress-')
        self.tools = os.path.join(self.scratch, 'tools')
        os.makedirs(self.tools)
        for name, script in (tools or {}).items():
            path = os.path.join(self.tools, name)
            with open(path, 'w') as f:
                f.write('#!/bin/sh\n' + script + '\n')
            os.chmod(path, 0o755)
        bindir = os.path.abspath(os.path.join(build, 'bin'))
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.scratch, HOME=self.scratch,
                        PATH=self.tools + ':' + bindir + ':/usr/bin:/bin')
        self.binary = os.path.join(bindir, 'tellwick')
        self.process = None

    def start(self, bus, loop):
        seen = []
        match = bus.add_signal_receiver(lambda *v: seen.append(v[0]), signal_name='Notification',
                                        dbus_interface=INTERFACE, arg0=NAMES['helperStarted'])
        self.process = subprocess.Popen([self.binary], env=self.env)
        pump(loop, lambda: seen, 15)
        match.remove()
        if not seen:
            raise SystemExit('the helper did not start')
        return time.monotonic()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        shutil.rmtree(self.scratch, ignore_errors=True)

    def status(self, field):
        with open('/proc/%d/status' % self.process.pid) as f:
            for line in f:
                if line.startswith(field + ':'):
                    return int(line.split()[1])
        return 0

    def wakeups(self):
        total = 0
        for task in os.listdir('/proc/%d/task' % self.process.pid):
            with open('/proc/%d/task/%s/status' % (self.process.pid, task)) as f:
                for line in f:
                    if 'ctxt_switches' in line:
                        total += int(line.split()[1])
        return total

    def pss_kib(self):
        with open('/proc/%d/smaps_rollup' % self.process.pid) as f:
            for line in f:
                if line.startswith('Pss:'):
                    return int(line.split()[1])
        return 0

    def stored(self, key):
        try:
            with open(os.path.join(self.scratch, SUITE), 'rb') as f:
                return plistlib.load(f).get(key)
        except (OSError, plistlib.InvalidFileException):
            return None


def pump(loop, done, seconds):
    context = loop.get_context()
    deadline = time.monotonic() + seconds
    while not done() and time.monotonic() < deadline:
        context.iteration(False) or time.sleep(0.001)
    return done()


def counting(bus):
    counts = {}

    def on_notification(*values):
        counts[values[0]] = counts.get(values[0], 0) + 1
    bus.add_signal_receiver(on_notification, signal_name='Notification', dbus_interface=INTERFACE)
    return counts


def load(build):
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    counts = counting(bus)
    helper = Helper(build)
    ok = True
    try:
        helper.start(bus, loop)
        clients, per_client = 4, 1000
        procs = [subprocess.Popen([sys.executable, __file__, 'client', build, str(per_client), str(seed)],
                                  stdout=subprocess.PIPE, text=True) for seed in range(clients)]
        asked = {}
        for p in procs:
            for line in p.communicate(timeout=120)[0].split():
                name = line.split('=')[0]
                asked[name] = asked.get(name, 0) + int(line.split('=')[1])
        total = clients * per_client
        rss = {}

        def answered():
            n = sum(counts.get(response_to(r), 0) for r in requests())
            for mark in (1000, total):
                if n >= mark and mark not in rss:
                    rss[mark] = helper.status('VmRSS')
            return n >= total
        started = time.monotonic()
        pump(loop, answered, 180)
        elapsed = time.monotonic() - started
        for request, n in sorted(asked.items()):
            got = counts.get(response_to(request), 0)
            print('load: %s asked %d, answered %d' % (request, n, got))
            ok = ok and got == n
        first, last = rss.get(1000, 0), rss.get(total, 0)
        growth = (last - first) / first * 100 if first else float('inf')
        print('load: %d requests answered in %.1f s; RSS %d KiB after the first thousand, '
              '%d KiB after the last (%+.1f %%)' % (total, elapsed, first, last, growth))
        ok = ok and abs(growth) <= 10
    finally:
        helper.stop()
    return ok


def client(count, seed):
    bus = dbus.SessionBus()
    rng = random.Random(seed)
    asked = {}
    for _ in range(count):
        name = rng.choice(requests())
        asked[name] = asked.get(name, 0) + 1
        post(bus, name)
    bus.flush()
    print(' '.join('%s=%d' % kv for kv in sorted(asked.items())))
    return True


def answer_times(bus, loop, counts):
    """Seconds each of 40 alternating fan and sensor requests took, sorted;
    None when one went unanswered."""
    times = []
    for i in range(40):
        name = [NAMES['requestFans'], NAMES['requestSensors']][i % 2]
        response = response_to(name)
        want = counts.get(response, 0) + 1
        sent = time.monotonic()
        post(bus, name)
        if not pump(loop, lambda: counts.get(response, 0) >= want, 5):
            return None
        times.append(time.monotonic() - sent)
        time.sleep(0.1)
    return sorted(times)


def hung(build):
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    counts = counting(bus)
    flag = tempfile.mktemp(prefix='tellwick-hang-')
    helper = Helper(build, {'nettop': '[ -e %s ] && exec sleep 600\necho h; echo kept.7,1,2,' % flag})
    ok = True
    try:
        helper.start(bus, loop)
        baseline = answer_times(bus, loop, counts)
        if baseline is None:
            print('hung: a request went unanswered with no tool running')
            return False
        print('hung: the same requests with no tool running: median %.1f ms, slowest %.1f ms'
              % (baseline[len(baseline) // 2] * 1000, baseline[-1] * 1000))
        post(bus, NAMES['requestTraffic'])
        pump(loop, lambda: counts.get(NAMES['responseTraffic']), 15)
        before = helper.stored('traffic')
        open(flag, 'w').close()
        counts.clear()
        asked = time.monotonic()
        post(bus, NAMES['requestTraffic'])
        times = answer_times(bus, loop, counts)
        if times is None:
            print('hung: a fan or sensor request went unanswered while nettop hangs')
            return False
        print('hung: 40 fan and sensor requests while nettop hangs: median %.1f ms, slowest %.1f ms'
              % (times[len(times) // 2] * 1000, times[-1] * 1000))
        worst = times[-1]
        ok = ok and worst <= 0.050
        pump(loop, lambda: counts.get(NAMES['responseTraffic']), 20)
        waited = time.monotonic() - asked
        kept = helper.stored('traffic') == before and before is not None
        print('hung: traffic answered after %.1f s, previous answer %s' % (waited, 'kept' if kept else 'LOST'))
        ok = ok and counts.get(NAMES['responseTraffic']) == 1 and kept
        pid = helper.process.pid
        sent = time.monotonic()
        post(bus, NAMES['requestTraffic'])
        time.sleep(0.3)
        helper.process.terminate()
        code = helper.process.wait(10)
        stray = subprocess.run(['pgrep', '-f', 'sleep 600'], capture_output=True, text=True).stdout.split()
        print('hung: SIGTERM during a hung run: exit %d after %.2f s, %d tool process(es) left (helper %d)'
              % (code, time.monotonic() - sent - 0.3, len(stray), pid))
        ok = ok and code == 0 and not stray
    finally:
        helper.stop()
        if os.path.exists(flag):
            os.unlink(flag)
    return ok


def idle(build):
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    seconds = float(os.environ.get('IDLE_SECONDS', '60'))
    helper = Helper(build)
    try:
        helper.start(bus, loop)
        time.sleep(0.5)
        woke = helper.wakeups()
        time.sleep(seconds)
        woke = helper.wakeups() - woke
        pss = helper.pss_kib()
        print('idle: %d wake-ups in %.0f s without requests; Pss %.2f MiB' % (woke, seconds, pss / 1024))
        return woke == 0 and pss < 2048
    finally:
        helper.stop()


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    mode = sys.argv[1]
    read_names(sys.argv[2])
    if mode == 'client':
        return 0 if client(int(sys.argv[3]), int(sys.argv[4])) else 1
    ok = {'load': load, 'hung': hung, 'idle': idle}[mode](sys.argv[2])
    print('%s: %s' % (mode, 'ok' if ok else 'FAILED'))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
