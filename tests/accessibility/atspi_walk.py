#!/usr/bin/python3
"""Walks the program's accessibility tree as a screen reader sees it.

Starts the built program under a private X display and D-Bus session with the accessibility
bus, opens each of its windows from the keyboard (or by pressing buttons through AT-SPI) and
walks every window it shows: each object a keyboard can reach (STATE_FOCUSABLE) must have a
name. Prints each nameless one with its role and window and fails if there is any.

    atspi_walk.py PATH/TO/vendrix2

Also checks that the status bar's counts and a message box's text can be read. Exits 77
(skipped) only when the tools it needs are missing (Debian: xvfb, openbox, dbus, xdotool,
at-spi2-core, python3-pyatspi).
"""

import datetime
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
except ImportError:  # reported as a skip
    pyatspi = None

SKIP = 77
IN_SESSION = "VENDRIX_ATSPI_WALK_SESSION"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

# ---- What the walk needs ---------------------------------------------------------------------


def missing_tools():
    missing = [tool for tool in ("Xvfb", "openbox", "dbus-run-session", "dbus-send", "xdotool")
               if not shutil.which(tool)]
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append(BUS_LAUNCHER + " (at-spi2-core)")
    if pyatspi is None:
        missing.append("pyatspi (python3-pyatspi)")
    return missing


# ---- A program folder with some clients -------------------------------------------------------

RECORD_SIZE = 348
TABLE_SLOTS = 2001

# Field offsets and widths of one client record in "Clients.dat".
FIELDS = {
    "name": (0, 50),
    "address": (50, 50),
    "city": (100, 30),
    "state": (130, 2),
    "zip": (132, 10),
    "contact": (142, 30),
    "phone": (172, 12),
    "ext": (184, 4),
    "fax": (188, 12),
    "cell": (200, 12),
    "gatekeeper": (212, 30),
    "email": (242, 60),
    "action": (310, 30),
}

CLIENTS = [
    {"name": "Acme Tools", "contact": "Ann Archer", "phone": "555-0101", "ext": "12",
     "gatekeeper": "Gus", "city": "Springfield", "state": "IL", "email": "ann@acme.example",
     "action": "Call about the order"},
    {"name": "Birch Supply", "contact": "Bob Birch", "phone": "555-0102", "ext": "3",
     "gatekeeper": "Gail", "city": "Shelbyville", "state": "IL", "action": "Send a quote"},
    {"name": "Cobalt Labs", "contact": "Cora Cole", "phone": "555-0103", "ext": "7",
     "gatekeeper": "Glen", "city": "Ogdenville", "state": "IL", "action": "Visit"},
]


def client_record(number, client):
    record = bytearray(b" " * RECORD_SIZE)
    for field, (offset, width) in FIELDS.items():
        text = client.get(field, "").encode("cp1252")[:width]
        record[offset:offset + width] = text.ljust(width, b" ")
    # A follow-up due today on each client, which a scan of today finds.
    today = datetime.date.today().toordinal() + 365
    struct.pack_into("<ii", record, 302, 1, today)
    struct.pack_into("<ii", record, 340, number, 1)
    return bytes(record)


def settings_record():
    # No start-up scan (the walk opens the scan itself) and the exit question on, so that the
    # walk sees a message box.
    default_style, preview, no_scan, remember, confirm_exit = 0, 1, 1, 0, 1
    settings = struct.pack("<9i", default_style, preview, no_scan, remember, confirm_exit,
                           0, 1, 50, 0)
    return settings + b" " * 14 + bytes(RECORD_SIZE - 50)


def make_program_folder(program, root):
    folder = os.path.join(root, "program")
    data = os.path.join(folder, "Data")
    os.makedirs(data)
    # Run from a folder of its own, the program keeps its data beside itself.
    shutil.copy2(program, folder)
    help_file = os.path.join(os.path.dirname(program), "Vendrix 2.hlp")
    if os.path.exists(help_file):
        shutil.copy2(help_file, folder)
    with open(os.path.join(data, "Clients.dat"), "wb") as out:
        out.write(settings_record())
        for slot in range(1, TABLE_SLOTS):
            if slot <= len(CLIENTS):
                out.write(client_record(slot, CLIENTS[slot - 1]))
            else:
                record = bytearray(RECORD_SIZE)
                struct.pack_into("<i", record, 340, slot)
                out.write(bytes(record))
    csv_path = os.path.join(root, "new clients.csv")
    with open(csv_path, "w", encoding="utf-8") as out:
        out.write("Company,Contact,Phone,E-mail\n")
        out.write("Delta Foods,Dee Dale,555-0104,dee@delta.example\n")
        out.write("Echo Print,Ed Eames,555-0105,ed@echo.example\n")
    return os.path.join(folder, os.path.basename(program)), csv_path


# ---- The display, the bus and the program -----------------------------------------------------


def start_display(processes):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             "1280x1024x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    processes.append(xvfb)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    # A window manager gives new windows the keyboard and raises a window asked for, as a
    # desktop does.
    processes.append(subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL))
    time.sleep(0.5)


def start_accessibility_bus():
    # Asked for its address on the session bus, D-Bus starts the launcher, which starts the
    # accessibility bus and its registry; they end with the session.
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                    "/org/a11y/bus", "org.a11y.Bus.GetAddress"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False, timeout=20)


def start_program(program, root, processes):
    home = os.path.join(root, "home")
    os.makedirs(home)
    environment = dict(os.environ)
    environment.update({
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_RUNTIME_DIR": root,
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "QT_ACCESSIBILITY": "1",
        "LC_ALL": "C.UTF-8",
    })
    program_process = subprocess.Popen([program], cwd=os.path.dirname(program), env=environment)
    processes.append(program_process)
    return program_process


# ---- Reading the tree -------------------------------------------------------------------------


def wait_for(condition, seconds=20.0, what="something"):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = condition()
        if found:
            return found
        time.sleep(0.2)
    raise TimeoutError("timed out waiting for " + what)


def application_of(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application going away while asked
            continue
    return None


def windows_of(app):
    shown = []
    for index in range(app.childCount):
        window = app.getChildAtIndex(index)
        if window is None:
            continue
        try:
            if window.getState().contains(pyatspi.STATE_SHOWING):
                shown.append(window)
        except Exception:
            continue
    return shown


def window_named(app, caption):
    def find():
        for window in windows_of(app):
            if window.name == caption:
                return window
        return None
    return wait_for(find, what='the window "%s"' % caption)


def descendants(accessible, depth=0):
    yield accessible, depth
    if depth > 40:
        return
    try:
        count = accessible.childCount
    except Exception:
        return
    # A list's rows are not reached one by one with Tab; a few stand for all.
    if accessible.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST):
        count = min(count, 40)
    for index in range(count):
        child = accessible.getChildAtIndex(index)
        if child is not None:
            yield from descendants(child, depth + 1)


def describe(accessible):
    role = accessible.getRoleName()
    parent = accessible.parent
    place = []
    while parent is not None and parent.getRole() != pyatspi.ROLE_APPLICATION:
        if parent.name:
            place.append('%s "%s"' % (parent.getRoleName(), parent.name))
        parent = parent.parent
    where = (" in " + " in ".join(place)) if place else ""
    try:
        box = accessible.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
        where += " at %d,%d" % (box.x, box.y)
    except Exception:
        pass
    text = ""
    try:
        text = accessible.queryText().getText(0, -1)[:60]
    except Exception:
        pass
    return role + where + (' (shows "%s")' % text if text else "")


def named_by_parent(accessible):
    """An empty cell of a named list is read as blank, and a drop-down's list of choices is
    read with the drop-down's name: neither needs a name of its own."""
    parent = accessible.parent
    if parent is None or not parent.name:
        return False
    role = accessible.getRole()
    if role in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM):
        return True
    return role == pyatspi.ROLE_LIST and parent.getRole() == pyatspi.ROLE_COMBO_BOX


def shown_text(accessible):
    texts = [accessible.name or ""]
    try:
        texts.append(accessible.queryText().getText(0, -1))
    except Exception:
        pass
    return " ".join(texts)


class Walk:
    def __init__(self):
        self.nameless = []
        self.walked = []
        self.notes = []  # what a keyboard user would stumble on, told but not failed
        self.problems = []

    def check(self, window, label):
        self.walked.append(label)
        focusable = 0
        for accessible, _ in descendants(window):
            try:
                states = accessible.getState()
                if not states.contains(pyatspi.STATE_FOCUSABLE):
                    continue
                focusable += 1
                if accessible.name and accessible.name.strip():
                    continue
                if named_by_parent(accessible):
                    continue
                self.nameless.append("%s: %s" % (label, describe(accessible)))
            except Exception as error:  # an object that went away while read
                print("  (skipped an object of %s: %s)" % (label, error))
        print("walked %-34s %3d focusable objects" % (label, focusable))

    def expect_text(self, window, text, label):
        """Some object of the window reads the text (a screen reader can reach it)."""
        if not any(text in shown_text(accessible) for accessible, _ in descendants(window)):
            self.problems.append('%s: nothing reads "%s"' % (label, text))

    def expect_alert(self, window, text, label):
        """A message box is announced as an alert, with its text."""
        if window.getRole() != pyatspi.ROLE_ALERT:
            self.problems.append("%s: a %s, not an alert" % (label, window.getRoleName()))
        self.expect_text(window, text, label)


# ---- Driving the windows ----------------------------------------------------------------------


def keys(*sequence):
    for key in sequence:
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)
        time.sleep(0.3)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


def press(window, name):
    """Presses the named button of a window through its AT-SPI action."""
    for accessible, _ in descendants(window):
        if accessible.getRole() == pyatspi.ROLE_PUSH_BUTTON and accessible.name == name:
            action = accessible.queryAction()
            for index in range(action.nActions):
                if action.getName(index) in ("Press", "press", "click"):
                    action.doAction(index)
                    time.sleep(0.5)
                    return
            action.doAction(0)
            time.sleep(0.5)
            return
    raise LookupError('no button "%s" in "%s"' % (name, window.name))


def gone(app, caption, seconds=10.0):
    return wait_for(lambda: all(w.name != caption for w in windows_of(app)), seconds,
                    'the window "%s" to close' % caption)


def activate(caption):
    """Gives a window the keyboard, as a click on its title would."""
    subprocess.run(["xdotool", "search", "--name", "^%s$" % caption, "windowactivate", "--sync"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False, timeout=10)
    time.sleep(0.3)


def close_by_key(app, caption, key, notes):
    """Closes a window with a key; where the key does not close it, notes so and closes it
    through the window manager."""
    activate(caption)
    keys(key)
    try:
        gone(app, caption, 3)
        return
    except TimeoutError:
        notes.append('%s does not close "%s"' % (key, caption))
    activate(caption)
    keys("alt+F4")
    gone(app, caption)


MAIN = "Vendrix 2.05"


def from_main(*sequence):
    activate(MAIN)
    keys(*sequence)


def window_where(app, test, what):
    return wait_for(lambda: next((w for w in windows_of(app) if test(w.name)), None), what=what)


def walk_program(app, csv_path):
    walk = Walk()
    main = window_named(app, MAIN)
    walk.check(main, "main window")
    walk.expect_text(main, "Clients on file: %d" % len(CLIENTS), "main window's status bar")

    from_main("alt+a")
    walk.check(window_named(app, "Vendrix Details"), "details window")
    keys("alt+x")
    gone(app, "Vendrix Details")

    from_main("alt+s")
    scan = window_named(app, "Scan for Follow-ups")
    walk.check(scan, "scan window")
    press(scan, "Scan")
    results = window_named(app, "Scan Results")
    walk.check(results, "scan results window")
    press(results, "Exit")
    gone(app, "Scan Results")

    from_main("alt+p")
    printing = window_named(app, "Print Clients")
    walk.check(printing, "print window")
    press(printing, "Print All Clients on File")
    preview = window_where(app, lambda name: name.endswith(" - Print Preview"), "the preview")
    walk.check(preview, "print preview")
    close_by_key(app, preview.name, "Escape", walk.notes)
    press(window_named(app, "Print Clients"), "Exit Print")
    gone(app, "Print Clients")

    from_main("alt+o")
    options = window_named(app, "Vendrix Options")
    walk.check(options, "options window")
    press(options, "Exit")
    gone(app, "Vendrix Options")

    from_main("alt+h")
    walk.check(window_named(app, "Vendrix 2 Help"), "help window")
    close_by_key(app, "Vendrix 2 Help", "Escape", walk.notes)

    from_main("ctrl+i")
    chooser = window_where(app, lambda name: name not in ("", MAIN), "the file dialog")
    walk.check(chooser, "file dialog")
    type_text(csv_path)
    keys("Return")
    importing = window_named(app, "Import Clients")
    walk.check(importing, "import window")
    close_by_key(app, "Import Clients", "Escape", walk.notes)

    from_main("ctrl+shift+r")
    walk.check(window_named(app, "Restore from a Backup"), "restore window")
    close_by_key(app, "Restore from a Backup", "Escape", walk.notes)

    from_main("alt+x")
    question = window_named(app, "Exit Vendrix 2?")
    walk.check(question, "exit question")
    walk.expect_alert(question, "Are you sure?", "exit question")
    press(question, "Yes")
    return walk


def run(program):
    processes = []
    root = tempfile.mkdtemp(prefix="vendrix-atspi-")
    try:
        start_display(processes)
        start_accessibility_bus()
        copy, csv_path = make_program_folder(program, root)
        vendrix = start_program(copy, root, processes)
        app = wait_for(lambda: application_of(vendrix.pid), 30, "the program on the bus")
        walk = walk_program(app, csv_path)
        status = vendrix.wait(timeout=30)
        if status != 0:
            walk.problems.append("the program ended with status %d after its exit" % status)
    finally:
        for process in reversed(processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(root, ignore_errors=True)

    for note in walk.notes:
        print("note: " + note)
    for line in walk.problems:
        print("problem: " + line)
    if walk.nameless:
        print("\n%d focusable objects without a name:" % len(walk.nameless))
        for line in walk.nameless:
            print("  " + line)
    if walk.nameless or walk.problems:
        return 1
    print("\nEvery focusable object of %d windows has a name." % len(walk.walked))
    return 0


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    program = os.path.abspath(sys.argv[1])
    missing = missing_tools()
    if missing:
        print("SKIP: missing " + ", ".join(missing))
        return SKIP
    if os.environ.get(IN_SESSION) != "1":
        # A session bus of its own, ended with the walk.
        environment = dict(os.environ, **{IN_SESSION: "1"})
        return subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__),
                               program], env=environment, check=False).returncode
    return run(program)


if __name__ == "__main__":
    sys.exit(main())
