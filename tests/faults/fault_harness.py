#!/usr/bin/env python3
"""Drives the real zelmorin program through the simulator while injecting faults, then counts
the connections it made, lost and doubled.

A connection counts as made once the program has checkpointed it (so it knew of it). It is lost
when no log record carries its name, doubled when two records of its name overlap (a connection
that spans a restart is two records by design, one ending at its last checkpoint and one starting
after the restart; those never overlap).

    fault_harness.py --program build/default/src/monitor/zelmorin \\
        --shim build/default/tests/libzelmorin_disk_full_shim.so --cycles 200
"""
import argparse
import os
import pwd
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

LINE = re.compile(r"^\*?(\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)  (\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)  [^ ]+  (.*)$")
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"


def wait_until(condition, limit):
    """True once condition() is; False when it still is not after limit seconds."""
    end = time.time() + limit
    while not condition():
        if time.time() > end:
            return False
        time.sleep(0.05)  # how often the condition is looked at
    return True


def stamp(groups):
    d, m, y, hh, mm, ss = (int(g) for g in groups)
    return time.mktime((y, m, d, hh, mm, ss, 0, 0, -1))


class Harness:
    def __init__(self, program, shim):
        self.program = os.path.abspath(program)
        self.shim = os.path.abspath(shim) if shim else None
        self.work = tempfile.mkdtemp(prefix="zelmorin-faults-")
        os.chmod(self.work, 0o755)
        self.data = os.path.join(self.work, "data")
        self.sim = os.path.join(self.work, "sim.txt")
        self.log = os.path.join(self.data, "Zelmorin.Log")
        self.checkpoint = os.path.join(self.data, "~$ZMCUR.$$$")
        self.pending = os.path.join(self.data, "~$ZMPEND.$$$")
        self.full_flag = os.path.join(self.work, "disk-full")
        self.proc = None
        self.last_stop = None
        self.made = set()
        self.kills = 0
        self.gap_kills = 0
        self.failures = []
        home = os.path.join(self.work, "home")
        etc = os.path.join(self.work, "etc", "Quillmoor")
        run = os.path.join(self.work, "run")
        for d in (self.data, home, etc, run):
            os.makedirs(d, exist_ok=True)
        os.chmod(run, 0o700)
        with open(os.path.join(etc, "Zelmorin.conf"), "w") as f:
            f.write("[App%%20Paths]\nPath=%s\n" % self.data)
        open(self.sim, "w").close()
        os.chmod(self.sim, 0o666)
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_CONFIG_DIRS=os.path.join(self.work, "etc"), XDG_RUNTIME_DIR=run,
                        TZ="Europe/Rome", QT_QPA_PLATFORM="offscreen", ZELMORIN_RAS="sim:" + self.sim)
        self.env.pop("ZELMORIN_STOP_AT", None)

    # The program.
    def start(self, extra_env=None, user=None):
        env = dict(self.env, **(extra_env or {}))
        cmd = [self.program]
        if user is not None:
            cmd = ["setpriv", "--reuid=%d" % user, "--regid=%d" % user, "--clear-groups"] + cmd
        self.proc = subprocess.Popen(cmd, cwd=self.work, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def kill(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.kills += 1
        if self.proc:
            self.proc.wait()
        self.proc = None

    def terminate(self, limit=30.0):
        """SIGTERM; True when the program ended within the limit, which only a hung program
        reaches (how long it took is for the reader)."""
        if not self.proc:
            return True
        began = time.time()
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(timeout=limit)
            self.last_stop = time.time() - began
            ok = True
        except subprocess.TimeoutExpired:
            ok = False
            self.proc.kill()
            self.proc.wait()
        self.proc = None
        return ok

    def wait_exit(self, limit=30.0):
        try:
            self.proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            self.fail("the program did not stop at its stop point")
            self.proc.kill()
            self.proc.wait()
        self.proc = None

    # The simulated service.
    def connect(self, name):
        with open(self.sim, "w") as f:
            f.write("connected %s\n" % name)

    def disconnect(self):
        with open(self.sim, "w") as f:
            f.write("")

    # The simulator's file is read at each poll; a read after a write moves its access time past
    # its change time (relatime does so for the first read after a change).
    def polled(self):
        """A poll has read the simulator's file since it was last written or touched."""
        st = os.stat(self.sim)
        return st.st_atime_ns > st.st_mtime_ns

    def wait_seen(self, limit=30.0):
        """Waits until a poll has read what was last written to the simulator's file."""
        return wait_until(self.polled, limit)

    def wait_polled(self, limit=30.0):
        """Waits for a read of the simulator's file after this call: the program is up and
        polling."""
        os.utime(self.sim)
        return wait_until(self.polled, limit)

    def wait_poll_saw(self, limit=30.0):
        """Waits until a whole poll has seen what was last written. A poll reads the file once
        to list the connections and again for each one's state: the first read after the write
        begins a poll, and the next read is either that poll's last or a later poll's first."""
        return self.wait_seen(limit) and self.wait_polled(limit)

    def checkpoint_names(self, name):
        # Never open a pipe or read a huge file that a scenario put there.
        try:
            if not os.path.isfile(self.checkpoint) or os.path.getsize(self.checkpoint) > 4096:
                return False
            with open(self.checkpoint, "rb") as f:
                return f.read().endswith(name.encode())
        except OSError:
            return False

    def wait_made(self, name, limit=30.0):
        if wait_until(lambda: self.checkpoint_names(name) or name in self.records(), limit):
            self.made.add(name)
            return True
        self.fail("%s was never checkpointed" % name)
        return False

    def wait_logged(self, name, limit=30.0):
        return wait_until(lambda: name in self.records(), limit)

    def pending_names(self, name):
        try:
            with open(self.pending, "rb") as f:
                return name.encode() in f.read(1 << 16)
        except OSError:
            return False

    def log_size(self):
        try:
            return os.path.getsize(self.log)
        except OSError:
            return 0

    def records(self):
        out = {}
        try:
            with open(self.log, "rb") as f:
                text = f.read().decode("latin-1")
        except OSError:
            return out
        for line in text.splitlines():
            m = LINE.match(line)
            if m:
                g = m.groups()
                out.setdefault(g[12], []).append((stamp(g[0:6]), stamp(g[6:12])))
        return out

    def fail(self, what):
        self.failures.append(what)
        if os.environ.get("ZELMORIN_HARNESS_DEBUG"):
            print(subprocess.run(["ls", "-la", self.data], capture_output=True, text=True).stdout)
            try:
                print(open(self.log, "rb").read().decode("latin-1"))
            except OSError:
                pass
        print("FAIL", what, flush=True)

    def count(self):
        records = self.records()
        lost = sorted(n for n in self.made if n not in records)
        doubled = []
        negative = []
        for name, spans in records.items():
            spans.sort()
            if any(end < start for start, end in spans):
                negative.append(name)
            if any(spans[i + 1][0] < spans[i][1] or spans[i + 1][0] == spans[i][0] for i in range(len(spans) - 1)):
                doubled.append(name)
        return lost, doubled, negative

    def settle(self):
        """Stop, let a last start recover what is left, stop."""
        self.kill()
        self.disconnect()
        self.start()
        # The start recovers what was left before its first poll.
        if not self.wait_polled():
            self.fail("the last start never polled")
        self.terminate()

    def cleanup(self):
        self.kill()
        shutil.rmtree(self.work, ignore_errors=True)


def scenario_kill_cycles(h, cycles, rng):
    """Random kill -9 and restart around connections."""
    h.start()
    for i in range(cycles):
        name = "Cycle %d" % i
        h.connect(name)
        if not h.wait_made(name):
            h.kill()
            h.start()
            continue
        time.sleep(rng.uniform(0, 1.5))  # a kill at a random moment of the connection
        action = rng.choice(["kill-connected", "kill-after-end", "clean"])
        if action == "kill-connected":
            h.kill()
            h.disconnect()
            h.start()
        elif action == "kill-after-end":
            h.disconnect()
            time.sleep(rng.uniform(0.8, 1.4))  # around the poll that sees the end
            h.kill()
            h.start()
        else:
            h.disconnect()
            h.wait_logged(name)
    h.settle()


def scenario_kills_on_log_growth(h, cycles):
    """kill -9 as soon as the log grows: between the append and the checkpoint's removal."""
    for i in range(cycles):
        name = "Growth %d" % i
        h.start()
        h.connect(name)
        if not h.wait_made(name):
            continue
        size = h.log_size()
        h.disconnect()
        end = time.time() + 30
        while h.log_size() == size and time.time() < end:
            time.sleep(0.0005)  # looked at often: the gap to hit is short
        h.kill()
        # Only a kill that came before the checkpoint's removal tests the gap.
        if h.checkpoint_names(name):
            h.gap_kills += 1
    print("kills that fell between the log's growth and the checkpoint's removal: %d of %d" % (h.gap_kills, cycles))
    h.settle()


def scenario_stop_points(h):
    """The program kills itself exactly between two writes, at every such step."""
    # After the log append, before the checkpoint goes.
    h.start({"ZELMORIN_STOP_AT": "logged"})
    h.connect("Stop logged")
    h.wait_made("Stop logged")
    h.disconnect()
    h.wait_exit()
    # After the recovery's append, before the checkpoint goes.
    h.start()
    h.connect("Stop recovered")
    h.wait_made("Stop recovered")
    h.kill()
    h.disconnect()
    h.start({"ZELMORIN_STOP_AT": "recovered"})
    h.wait_exit()
    # After a pending connection reached the log at the start, before the pending file goes.
    if h.shim:
        # Only the log is full: the pending file takes the connection.
        h.start({"LD_PRELOAD": h.shim, "ZELMORIN_FAULT_PATH": h.log, "ZELMORIN_FAULT_FULL": h.full_flag})
        h.connect("Stop pending")
        h.wait_made("Stop pending")
        open(h.full_flag, "w").close()
        h.disconnect()
        wait_until(lambda: h.pending_names("Stop pending"), 30)
        os.unlink(h.full_flag)
        h.kill()
        if not os.path.exists(h.pending):
            h.fail("a connection that could not be logged is not in the pending file")
        h.start({"ZELMORIN_STOP_AT": "recovered-pending"})
        h.wait_exit()
    h.settle()


def scenario_disk_full(h):
    """A connection ends on a full disk, the next one starts, space comes back; stops of each kind."""
    if not h.shim:
        return
    env = {"LD_PRELOAD": h.shim, "ZELMORIN_FAULT_PATH": h.data, "ZELMORIN_FAULT_FULL": h.full_flag}
    for stop in ("kill", "term", "kill-later"):
        first, second = "Full %s A" % stop, "Full %s B" % stop
        h.start(env)
        h.connect(first)
        h.wait_made(first)
        open(h.full_flag, "w").close()
        h.disconnect()
        if not h.wait_seen():
            h.fail("no poll saw the end of %s" % first)
        h.connect(second)
        # A poll sees the second one, then the program acts on it before space comes back.
        if not (h.wait_poll_saw() and h.wait_polled()):
            h.fail("no poll saw %s" % second)
        os.unlink(h.full_flag)
        if stop == "kill-later":
            # Past the second one's next checkpoint (30 s into it), which must not have taken
            # the first one's place: it comes after the first one is logged.
            if not wait_until(lambda: h.checkpoint_names(second), 100):
                h.fail("%s never checkpointed after space came back" % second)
            if first not in h.records():
                h.fail("%s not logged at the next checkpoint after space came back" % first)
            h.kill()
        elif stop == "kill":
            h.kill()
        else:
            h.terminate()
        h.disconnect()
        h.start()
        h.wait_logged(first)
        h.terminate()
        if first not in h.records():
            h.fail("%s lost after a full disk and a %s" % (first, stop))
        h.made.add(first)


def scenario_odd_files(h):
    """Odd things where the checkpoint and the pending file should be: the start goes on."""
    def start_and_log(name):
        h.start()
        h.connect(name)
        # The checkpoint cannot tell, not being the program's file: a poll that read the
        # connection can.
        if not h.wait_poll_saw():
            h.fail("no poll with an odd file: %s" % name)
        h.made.add(name)
        h.disconnect()
        if not h.wait_logged(name):
            h.fail("the program did not run with an odd file: %s" % name)
        if not h.terminate():
            h.fail("no clean stop with an odd file: %s" % name)

    def remove(path):
        if os.path.isdir(path):
            os.rmdir(path)
        elif os.path.lexists(path):
            os.unlink(path)

    # The start leaves them alone; a running connection may replace them with its checkpoint.
    os.mkdir(h.checkpoint)
    os.mkdir(h.pending)
    start_and_log("Odd folder")
    remove(h.checkpoint)
    remove(h.pending)
    os.mkfifo(h.checkpoint)
    os.mkfifo(h.pending)
    start_and_log("Odd fifo")
    remove(h.checkpoint)
    remove(h.pending)
    with open(h.checkpoint, "wb") as f:
        f.truncate(2 << 30)
    start_and_log("Odd sparse")
    remove(h.checkpoint)


def scenario_unwritable_folder(h):
    """A data folder this user may not write, with a log (and an old checkpoint) of its own."""
    if os.geteuid() == 0:
        user = pwd.getpwnam("nobody").pw_uid
        for d in (h.env["HOME"], h.env["XDG_RUNTIME_DIR"]):
            shutil.chown(d, user, user)
        os.chmod(h.data, 0o755)
    else:
        user = None
    # An old checkpoint, from before the folder was locked.
    h.start()
    h.connect("Locked old")
    h.wait_made("Locked old")
    h.kill()
    h.disconnect()
    if not os.path.exists(h.log):
        open(h.log, "w").close()
    for path in (h.log, h.checkpoint):
        os.chmod(path, 0o666)
        if user is not None:
            shutil.chown(path, user, user)  # the user's own: another user's files are never written
    if user is None:
        os.chmod(h.data, 0o555)
    for _ in range(3):
        h.start(user=user)
        if not h.wait_polled():
            h.fail("no poll with an unwritable data folder")
        h.terminate()
    h.start(user=user)
    h.connect("Locked running")
    h.wait_made("Locked running")
    h.wait_polled()  # a later poll of the running connection, then the kill
    h.kill()
    h.disconnect()
    h.start(user=user)
    h.wait_logged("Locked running")
    h.terminate()
    os.chmod(h.data, 0o755)
    if user is not None:
        for d in (h.env["HOME"], h.env["XDG_RUNTIME_DIR"]):
            shutil.chown(d, 0, 0)
        # The next scenarios run as this user again, whose files the data folder's are.
        for entry in os.listdir(h.data):
            os.chown(os.path.join(h.data, entry), 0, 0, follow_symlinks=False)


def scenario_clock_jump(h):
    """The wall clock goes back an hour during a connection (libfaketime)."""
    if not os.path.exists(FAKETIME):
        print("skip clock jump: libfaketime is not installed (package faketime)")
        return
    offset = os.path.join(h.work, "faketime")
    with open(offset, "w") as f:
        f.write("+0\n")
    h.start({"LD_PRELOAD": FAKETIME, "FAKETIME_TIMESTAMP_FILE": offset, "FAKETIME_NO_CACHE": "1",
             "FAKETIME_DONT_FAKE_MONOTONIC": "1"})
    began = time.time()
    h.connect("Jump back")
    h.wait_made("Jump back")
    # The connection runs for two seconds on each side of the jump: its time is what is tested.
    time.sleep(2)
    with open(offset, "w") as f:
        f.write("-1h\n")
    time.sleep(2)
    h.disconnect()
    h.wait_logged("Jump back")
    lasted = time.time() - began
    h.terminate()
    spans = h.records().get("Jump back", [])
    # At least the four seconds it ran (less a poll at each end), at most the time it had.
    if len(spans) != 1 or not 2 <= spans[0][1] - spans[0][0] <= lasted + 1:
        h.fail("clock jump: %s over %.0f s" % (spans, lasted))


def scenario_sigterm_with_endless_provider(h):
    """The simulator pointed at /dev/zero: the program still starts, runs and ends on SIGTERM."""
    saved = h.env["ZELMORIN_RAS"]
    h.env["ZELMORIN_RAS"] = "sim:/dev/zero"
    h.start()
    # The program is up once it catches SIGTERM: it sets that up after its window, just before
    # it starts polling.
    def catches_sigterm():
        try:
            with open("/proc/%d/status" % h.proc.pid) as f:
                caught = next(line for line in f if line.startswith("SigCgt:"))
            return int(caught.split()[1], 16) & (1 << (signal.SIGTERM - 1)) != 0
        except (OSError, StopIteration, ValueError):
            return False
    if not wait_until(catches_sigterm, 30) or h.proc.poll() is not None:
        h.fail("the program did not start with sim:/dev/zero")
    proc = h.proc
    if not h.terminate():
        h.fail("SIGTERM not honoured with sim:/dev/zero")
    elif proc.returncode != 0:
        h.fail("SIGTERM with sim:/dev/zero: exit status %d" % proc.returncode)
    else:
        print("SIGTERM with sim:/dev/zero: ended in %.2f s" % h.last_stop)
    h.env["ZELMORIN_RAS"] = saved

NM_CONTROL = r"""
import sys, dbus
bus = dbus.bus.BusConnection(sys.argv[1])
what = sys.argv[2]
mock = bus.get_object("org.freedesktop.NetworkManager", "/org/freedesktop")
if what == "add":
    settings = bus.get_object("org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager/Settings")
    profile = settings.AddConnection({"connection": {"id": sys.argv[3], "type": "vpn"}},
                                     dbus_interface="org.freedesktop.NetworkManager.Settings")
    print(mock.AddActiveConnection(dbus.Array([], signature="s"), profile, "/", "0", dbus.UInt32(2), dbus_interface="org.freedesktop.DBus.Mock"))
    # Started up: the connection it took over is listed.
    mock.SetProperty("/org/freedesktop/NetworkManager", "org.freedesktop.NetworkManager", "Startup", False,
                     dbus_interface="org.freedesktop.DBus.Mock")
else:
    mock.SetProperty(sys.argv[3], "org.freedesktop.NetworkManager.Connection.Active", "State", dbus.UInt32(4),
                     dbus_interface="org.freedesktop.DBus.Mock")
"""

# NetworkManager's own template, but starting up (as a restarted NetworkManager is until it has
# taken over the running connections) until the harness has added the connection.
NM_TEMPLATE = """
import dbus
from dbusmock import mockobject
from dbusmock.templates.networkmanager import *  # noqa: F401,F403 (the template's names)
from dbusmock.templates import networkmanager as _template


def load(mock, parameters):
    _template.load(mock, parameters)
    mockobject.objects[MANAGER_OBJ].props[MANAGER_IFACE]["Startup"] = dbus.Boolean(True)
"""


class MockedNetworkManager:
    """A private dbus-daemon with python3-dbusmock's NetworkManager on it."""

    def __init__(self, work):
        self.socket = os.path.join(work, "system_bus_socket")
        self.address = "unix:path=" + self.socket
        self.config = os.path.join(work, "bus.conf")
        with open(self.config, "w") as f:
            f.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"'
                    ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">'
                    "<busconfig><listen>%s</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                    '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>'
                    "</policy></busconfig>\n" % self.address)
        self.template = os.path.join(work, "starting_networkmanager.py")
        with open(self.template, "w") as f:
            f.write(NM_TEMPLATE)
        self.bus = None
        self.mock = None
        self.active = None

    @staticmethod
    def available():
        return shutil.which("dbus-daemon") and subprocess.run(
            ["/usr/bin/python3", "-c", "import dbus, dbusmock"], capture_output=True).returncode == 0

    def start_bus(self):
        if os.path.exists(self.socket):
            os.unlink(self.socket)
        self.bus = subprocess.Popen(["dbus-daemon", "--config-file=" + self.config, "--nofork", "--print-address"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.bus.stdout.readline()

    def start_manager(self, name):
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address)
        self.mock = subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--template", self.template, "--system"],
                                     env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        def added():
            done = subprocess.run(["/usr/bin/python3", "-c", NM_CONTROL, self.address, "add", name],
                                  capture_output=True, text=True)
            self.active = done.stdout.strip()
            return done.returncode == 0
        if not wait_until(added, 30):
            raise RuntimeError("the mocked NetworkManager did not come up")

    def deactivate(self):
        subprocess.run(["/usr/bin/python3", "-c", NM_CONTROL, self.address, "down", self.active], check=True)

    def stop_manager(self):
        if self.mock:
            self.mock.kill()
            self.mock.wait()
            self.mock = None

    def stop_bus(self):
        self.stop_manager()
        if self.bus:
            self.bus.kill()
            self.bus.wait()
            self.bus = None


def scenario_network_manager(h, outage):
    """NetworkManager stalls, restarts, and the bus restarts during one connection; with
    outage, it then stays away for longer than the poller waits."""
    if not MockedNetworkManager.available():
        print("skip NetworkManager: dbus-daemon or python3-dbusmock is missing")
        return
    nm = MockedNetworkManager(h.work)
    saved = h.env["ZELMORIN_RAS"]
    h.env["ZELMORIN_RAS"] = "nm"
    h.env["DBUS_SYSTEM_BUS_ADDRESS"] = nm.address
    name = "NM Office"
    try:
        nm.start_bus()
        nm.start_manager(name)
        began = time.time()
        h.start()
        h.wait_made(name)
        # The faults last set times, which the program must ride through: these sleeps are the
        # faults' lengths, not waits for the program.
        nm.mock.send_signal(signal.SIGSTOP)  # a stall of 2.5 s
        time.sleep(2.5)
        nm.mock.send_signal(signal.SIGCONT)
        time.sleep(1.5)
        nm.stop_manager()  # NetworkManager restarts
        time.sleep(1.5)
        nm.start_manager(name)
        time.sleep(1.5)
        nm.stop_bus()  # the bus restarts
        time.sleep(1.5)
        nm.start_bus()
        nm.start_manager(name)
        time.sleep(2.5)
        lasted = time.time() - began
        if outage:
            nm.stop_manager()  # away for good: the connection ends when it was last seen
            gone = time.time()
            h.wait_logged(name, 75)
            if time.time() - gone < 55:
                h.fail("the connection ended %.0f s into the outage" % (time.time() - gone))
        else:
            nm.deactivate()
            h.wait_logged(name)
            lasted = time.time() - began
        h.terminate()
        spans = h.records().get(name, [])
        if len(spans) != 1 or not lasted - 4 <= spans[0][1] - spans[0][0] <= lasted + 2:
            h.fail("NetworkManager faults split or cut the connection: %s over %.0f s" % (spans, lasted))
    finally:
        h.kill()
        nm.stop_bus()
        h.env["ZELMORIN_RAS"] = saved
        del h.env["DBUS_SYSTEM_BUS_ADDRESS"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--shim")
    parser.add_argument("--cycles", type=int, default=12)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--outage", action="store_true", help="also let NetworkManager stay away for 60 s")
    parser.add_argument("--only", help="run only the scenarios whose title contains this")
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    print("seed", seed)

    h = Harness(args.program, args.shim)
    try:
        steps = [
            ("kill cycles", lambda: scenario_kill_cycles(h, args.cycles, rng)),
            ("kills on log growth", lambda: scenario_kills_on_log_growth(h, max(3, args.cycles // 4))),
            ("stop points", lambda: scenario_stop_points(h)),
            ("odd files", lambda: scenario_odd_files(h)),
            ("unwritable folder", lambda: scenario_unwritable_folder(h)),
            ("clock jump", lambda: scenario_clock_jump(h)),
            ("endless provider", lambda: scenario_sigterm_with_endless_provider(h)),
            ("NetworkManager", lambda: scenario_network_manager(h, args.outage)),
            ("full disk", lambda: scenario_disk_full(h)),
        ]
        for title, run in steps:
            if args.only and args.only not in title:
                continue
            started = time.time()
            run()
            lost, doubled, negative = h.count()
            print("%-20s %5.1fs  made %d, lost %d, doubled %d, negative %d, kills %d" %
                  (title, time.time() - started, len(h.made), len(lost), len(doubled), len(negative), h.kills),
                  flush=True)
        lost, doubled, negative = h.count()
        print("connections made %d, lost %d, doubled %d, negative %d; kill -9 %d" %
              (len(h.made), len(lost), len(doubled), len(negative), h.kills))
        for name in lost:
            print("lost", name)
        for name in doubled:
            print("doubled", name, h.records()[name])
        for name in negative:
            print("negative", name)
        return 1 if lost or doubled or negative or h.failures else 0
    finally:
        h.cleanup()


if __name__ == "__main__":
    sys.exit(main())
