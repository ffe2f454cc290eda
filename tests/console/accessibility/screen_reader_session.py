#!/usr/bin/env python3
"""The console as a screen reader meets it, through AT-SPI: every menu command, button, tab,
counter and status pane has a name; a session (connect, raise the gain, clear the counters, read
the passage counter) runs by accessible actions alone, against the simulated unit on a pty.

    screen_reader_session.py <quorvex-console> <quorvex-sim>

Run on a private D-Bus session and X server (see run-screen-reader-session.sh)."""
import os
import re
import subprocess
import sys
import tempfile
import time

import pyatspi

console_program, simulator_program = sys.argv[1:3]
LIMIT_S = 20


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, condition, seen=lambda: ""):
    """Polls the condition until it holds or the limit passes: AT-SPI has no event for 'the tree
    now holds this', and the console answers from its own thread."""
    deadline = time.monotonic() + LIMIT_S
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    fail("waited %d s for %s %s" % (LIMIT_S, what, seen()))


def console_application():
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.name == "quorvex-console":
            return application
    return None


def nodes(root, roles):
    return pyatspi.findAllDescendants(root, lambda node: node.getRole() in roles)


def node(root, role, name):
    return pyatspi.findDescendant(root, lambda n: n.getRole() == role and n.name == name)


def description(accessible):
    """The description now: the client keeps what it read, and this script hears no events."""
    accessible.clearCache()
    return accessible.description


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)


def activate(accessible):
    """The node's first action ("press", "toggle"), as a screen reader's default action."""
    action = accessible.queryAction()
    if action.nActions < 1:
        fail("%s %r has no action" % (accessible.getRoleName(), accessible.name))
    action.doAction(0)


def sensitive(accessible):
    return accessible.getState().contains(pyatspi.STATE_SENSITIVE)


def labelled_by(accessible):
    """The names of the labels a screen reader reads as the node's name."""
    return [relation.getTarget(i).name for relation in accessible.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for i in range(relation.getNTargets())]


def check_names_and_states(window):
    """What a screen reader says of each control: a list and the tab list by a name of their own,
    not only by the choice they show; check boxes and pictures by name; the plots as charts saying
    what they show; the counters and the unit's fields as text that cannot be edited."""
    for combo in nodes(window, (pyatspi.ROLE_COMBO_BOX,)):
        if not [name for name in labelled_by(combo) if name.strip()]:
            fail("the drop-down list showing %r has no label" % combo.name)
    for tab_list in nodes(window, (pyatspi.ROLE_PAGE_TAB_LIST,)):
        if "Unit pages" not in labelled_by(tab_list) and not tab_list.name == "Unit pages":
            fail("the tab list is named only %r" % tab_list.name)
    for role in (pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_IMAGE, pyatspi.ROLE_TABLE):
        for unnamed in [n for n in nodes(window, (role,)) if not n.name.strip()]:
            fail("a %s without a name" % unnamed.getRoleName())
    if node(window, pyatspi.ROLE_IMAGE, "QUORVEX logo") is None:
        fail("the logo is not named")
    for name in ("History plot", "Axis history plot"):
        plot = node(window, pyatspi.ROLE_CHART, name)
        if plot is None or not description(plot):
            fail("%s is not a chart that says what it shows" % name)
    for name in ("Passages", "Ignored"):
        counter = pyatspi.findDescendant(window, lambda n, name=name: n.name == name and n.getRole() != pyatspi.ROLE_LABEL)
        state = counter.getState()
        if state.contains(pyatspi.STATE_EDITABLE) or not state.contains(pyatspi.STATE_READ_ONLY):
            fail("the %s counter is reported as editable" % name)


unit = subprocess.Popen([simulator_program, "--pty", "--gain", "8", "--clipping", "0"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                        text=True)
line = unit.stdout.readline()
found = re.search(r" on (/dev/\S+)", line)
if not found:
    fail("the simulator did not name its line: " + line)
home = tempfile.mkdtemp()
environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", HOME=home, TEMP=home,
                   QUORVEX_PORT_DIR=os.path.join(home, "ports"))
console = subprocess.Popen([console_program, "--port", found.group(1)], env=environment)
try:
    application = wait_for("the console on the accessibility bus", console_application)
    window = wait_for("the main window", lambda: node(application, pyatspi.ROLE_FRAME, "QUORVEX Telvane"))

    # Every command, button, tab, counter and status pane has a name.
    commands = nodes(window, (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_MENU))
    buttons = nodes(window, (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON))
    tabs = nodes(window, (pyatspi.ROLE_PAGE_TAB,))
    unnamed = [n.getRoleName() for n in commands + buttons + tabs if not n.name.strip()]
    if unnamed:
        fail("nodes without a name: %s" % unnamed)
    # A menu text's tab starts the key shown beside it ("Save\tCtrl+S").
    names = {n.name.split("\t")[0] for n in commands + buttons + tabs}
    for expected in ("Connect", "Disconnect", "Increase", "Decrease", "Live", "Pause", "Stop", "Save",
                     "Exit", "Devices", "Clear", "Log", "Axis History", "Device Info"):
        if expected not in names:
            fail("no command, button or tab named %r among %s" % (expected, sorted(names)))
    for name in ("Passages", "Ignored", "Connection", "Battery", "GPS", "History plot", "Gain meter",
                 "Axis history plot", "Gain"):
        if pyatspi.findDescendant(window, lambda n, name=name: n.name == name) is None:
            fail("no node named %r" % name)
    # A drop-down list is named by the choice it shows, as the desktop's own lists are.
    channel = pyatspi.findDescendant(window, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX)
    if channel is None or not channel.name or "channel" not in channel.description:
        fail("the channel selector is not described: %r, %r" % (channel and channel.name, channel and channel.description))
    check_names_and_states(window)
    connection = pyatspi.findDescendant(window, lambda n: n.name == "Connection")
    if description(connection) != "Serial port not connected":
        fail("the connection pane says %r" % description(connection))

    # Connect, raise the gain, clear the counters, read the passage counter: actions only.
    activate(wait_for("QUORVEX > Connect enabled",
                      lambda: (lambda c: c if c and sensitive(c) else None)(
                          node(window, pyatspi.ROLE_MENU_ITEM, "Connect"))))
    increase = node(window, pyatspi.ROLE_MENU_ITEM, "Increase")
    wait_for("the connection", lambda: sensitive(increase) and description(connection) == "Serial port connected")
    meter = pyatspi.findDescendant(window, lambda n: n.name == "Gain meter")
    # The unit powers on at gain 8; the console learns the gain from the unit's answer.
    activate(increase)
    wait_for("gain 9 on the meter", lambda: description(meter) == "Gain 9 of 16, clipping 0",
             lambda: "(it says %r)" % description(meter))

    passages = pyatspi.findDescendant(window, lambda n: n.name == "Passages")
    ignored = pyatspi.findDescendant(window, lambda n: n.name == "Ignored")
    unit.stdin.write("ignored\n")
    unit.stdin.flush()
    wait_for("an ignored event counted", lambda: text_of(ignored) == "1")
    activate(node(window, pyatspi.ROLE_PUSH_BUTTON, "Clear"))
    wait_for("the counters cleared", lambda: text_of(ignored) == "0" and text_of(passages) == "0")
    unit.stdin.write("passage\n")
    unit.stdin.flush()
    wait_for("a passage counted", lambda: text_of(passages) == "1")
    history = pyatspi.findDescendant(window, lambda n: n.name == "History plot")
    print("Passages: %s; %s; %s" % (text_of(passages), description(meter), description(history)))
finally:
    console.terminate()
    console.wait(timeout=LIMIT_S)
    unit.stdin.write("quit\n")
    unit.stdin.close()
    unit.wait(timeout=LIMIT_S)
