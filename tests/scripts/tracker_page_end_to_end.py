#!/usr/bin/python3
"""The control room end to end, with every part real: a mosquitto, simulated units on the drill
route with a headless client on each publishing to it, quorvex-tracker, and its page in a
headless Chromium. The steps run in order against one run; each says what it waits for.

usage: tracker_page_end_to_end.py SOURCE_DIR TRACKER SIMULATOR CLIENT
"""
import datetime
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

SOURCE, TRACKER, SIMULATOR, CLIENT = sys.argv[1:5]
sys.path.insert(0, os.path.join(SOURCE, "scripts"))
from headless_chromium import HeadlessChromium, wait_for as wait  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

ROUTE = os.path.join(SOURCE, "tracking", "routes", "drill.geojson")
PIG_SPEED = 60  # m/s: 10 s between the drill's markers, 600 m apart
OPERATOR = "Dana Field"
os.environ.update(TZ="UTC", LANG="C.UTF-8")

# What the page shows, read in one go: every table's cells, the live badge and the pig's line.
PAGE = """
const rows = (id) => [...document.querySelectorAll('#' + id + ' tbody tr')].map((tr) =>
  [...tr.cells].map((td) => td.textContent));
return {markers: rows('markers'), alarms: rows('alarms'), units: rows('units'),
        live: document.getElementById('live').textContent, pig: document.getElementById('pig').textContent,
        runs: [...document.getElementById('run').options].map((o) => o.textContent)};
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def iso(moment):
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def seconds_of(text):
    return datetime.datetime.fromisoformat(text.replace("Z", "+00:00")).timestamp()


class ControlRoom:
    """The parts, started and stopped by the steps; everything ends with close()."""

    def __init__(self, work):
        self.work = work
        self.processes = {}
        self.broker_port = free_port()
        self.broker = f"mqtt://127.0.0.1:{self.broker_port}/drill"
        self.page = ""
        self.browser = None

    def start(self, name, command, **options):
        log = open(os.path.join(self.work, name + ".log"), "w")
        self.processes[name] = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT, **options)
        return self.processes[name]

    def log(self, name):
        with open(os.path.join(self.work, name + ".log")) as file:
            return file.read()

    def stop(self, name, signal_number=signal.SIGTERM):
        process = self.processes.pop(name)
        process.send_signal(signal_number)
        process.wait(timeout=20)

    def close(self):
        if self.browser:
            self.browser.quit()
        for name in list(self.processes):
            self.stop(name, signal.SIGKILL)

    def start_broker(self):
        self.start("mosquitto", ["mosquitto", "-p", str(self.broker_port)])
        wait("broker", lambda: socket.socket().connect_ex(("127.0.0.1", self.broker_port)) == 0)
        # An ordinary subscriber notes when each passage reached the broker's subscribers.
        self.start("watcher", ["mosquitto_sub", "-p", str(self.broker_port), "-q", "1", "-F", "%U %t",
                               "-t", "drill/+/passage"])

    def reached_broker(self, serial):
        said = re.search(r"^(\S+) drill/" + serial + "/passage$", self.log("watcher"), re.MULTILINE)
        return float(said.group(1)) if said else None

    def start_tracker(self):
        listen = self.page.split("/")[2] if self.page else "127.0.0.1:" + str(free_port())
        self.start("tracker", [TRACKER, "--broker", self.broker, "--listen", listen,
                               "--state", os.path.join(self.work, "state")])
        said = wait("page address from the tracker", lambda: re.search(r"the page is at (\S+)", self.log("tracker")))
        self.page = said.group(1)

    def start_unit(self, marker, launch, serial=None):
        """A simulated unit standing at a marker, its pig launched at D1 at `launch`, and its client;
        both named after the marker, or after the serial when one is given."""
        name = serial or marker
        self.start("unit " + name, [SIMULATOR, "--route", ROUTE, "--route-marker", marker, "--launch",
                                    "D1@" + launch, "--pig-speed", str(PIG_SPEED),
                                    "--serial", serial or "2000" + marker[1:], "--battery-period", "1000",
                                    "--no-stdin"])
        pty = wait(f"pseudo-terminal of the unit {name}", lambda: re.search(r" on (/dev/\S+)", self.log("unit " + name))).group(1)
        self.start("client " + name, [CLIENT, "--port", pty, "--journal", os.path.join(self.work, name + ".sqlite3"),
                                      "--publish=" + self.broker], stdin=subprocess.PIPE)

    def stop_unit(self, marker):
        self.stop("client " + marker)
        self.stop("unit " + marker)

    def shown(self):
        return self.browser.driver.execute_script(PAGE)

    def api(self, path):
        with urllib.request.urlopen(self.page + path.lstrip("/"), timeout=10) as response:
            return json.load(response)

    def show(self, what, condition, seconds=30):
        """Waits for the page to show something; returns the page's state then."""
        return wait(what + " on the page", lambda: (lambda page: page if condition(page) else None)(self.shown()),
                    seconds)


def marker_row(page, name):
    return next(row for row in page["markers"] if row[0] == name)


def alarm_rows(page, marker, kind):
    return [row for row in page["alarms"] if row[0] == marker and row[1] == kind]


class Run:
    """The story of one run: a unit stopped before its pig came, the alarm, the pig, the tracker
    killed and restarted, the broker restarted."""

    def __init__(self, room):
        self.room = room
        self.delays = {}
        self.passed = {}
        self.launch = ""

    def open_page(self):
        room = self.room
        room.start_broker()
        room.start_tracker()
        room.browser = HeadlessChromium(room.work)
        room.browser.driver.get(room.page)
        room.show("the live badge", lambda page: page["live"] == "live")

    def start_run_five_minutes_ago(self):
        # The pig was launched at D1 five minutes ago: D2, due 10 s after at the planned speed, goes
        # overdue 5 minutes after that. The page's own forms upload the route and start the run.
        driver = self.room.browser.driver
        driver.find_element("id", "route-file").send_keys(ROUTE)
        driver.find_element("css selector", "#route-form button").click()
        wait("the uploaded route in the run form",
             lambda: driver.execute_script("return document.getElementById('run-launch').options.length") == 4)
        launch = datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(seconds=300)
        self.launch = iso(launch)
        driver.find_element("id", "run-name").send_keys("drill")
        driver.execute_script("document.getElementById('run-time').value = arguments[0]", iso(launch)[:-1])
        speed = driver.find_element("id", "run-speed")
        speed.clear()
        speed.send_keys(str(PIG_SPEED * 3.6))
        driver.find_element("css selector", "#run-form button").click()
        page = self.room.show("the run with its four markers", lambda page: len(page["markers"]) == 4)
        assert page["runs"] == ["drill"], page["runs"]

    def stop_the_unit_at_d2(self):
        # The launch crew's unit at D1 came on after the launch: it has nothing to report.
        self.room.start_unit("D1", self.launch)
        self.room.start_unit("D2", iso(datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(hours=1)))
        self.room.show("the units at D1 and D2 online", lambda page: all(
            [serial, "online"] in [row[:2] for row in page["units"]] for serial in ("20001", "20002")))
        self.room.stop_unit("D2")
        self.room.show("the unit at D2 offline", lambda page: ["20002", "offline"] in [row[:2] for row in page["units"]])

    def overdue_alarm(self):
        page = self.room.show("D2 overdue with its alarm",
                              lambda page: marker_row(page, "D2")[2] == "overdue" and alarm_rows(page, "D2", "overdue"))
        assert alarm_rows(page, "D2", "overdue")[0][2] == "unacknowledged", page["alarms"]
        assert page["runs"] == ["drill (1 !)"], page["runs"]

    def acknowledge_by_keyboard(self):
        # From the name field, the tab key reaches the alarm's button; Enter acknowledges.
        driver = self.room.browser.driver
        name = driver.find_element("id", "who")
        name.send_keys(OPERATOR)
        name.send_keys(Keys.TAB)
        focused = driver.switch_to.active_element
        assert focused.text == "Acknowledge", focused.get_attribute("outerHTML")
        focused.send_keys(Keys.ENTER)
        page = self.room.show("the acknowledgement by name",
                              lambda page: alarm_rows(page, "D2", "overdue")[0][2] == "acknowledged")
        assert " by " + OPERATOR in alarm_rows(page, "D2", "overdue")[0][3], page["alarms"]
        self.room.show("the run without unacknowledged alarms", lambda page: page["runs"] == ["drill"])

    def pig_passes(self):
        launch = iso(datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(seconds=8))
        for marker in ("D3", "D4"):
            self.room.start_unit(marker, launch)
        self.see_passed("D3")
        self.room.show("D2 missed, its alarm closed (acknowledged and cleared)",
                       lambda page: marker_row(page, "D2")[2] == "missed" and
                       alarm_rows(page, "D2", "overdue")[0][2] == "closed")
        self.eta_of_next("D4", after="D3")

    def see_passed(self, marker):
        page = self.room.show(marker + " passed", lambda page: marker_row(page, marker)[2] == "passed", seconds=60)
        seen = time.time()
        state = self.room.api("/api/runs/drill")["state"]["pigs"][0]["markers"]
        passed_at = next(m["passedAt"] for m in state if m["name"] == marker)
        self.delays[marker] = (self.room.reached_broker("2000" + marker[1:]) - seconds_of(passed_at),
                               seen - seconds_of(passed_at))
        self.passed[marker] = marker_row(page, marker)[3]
        assert self.passed[marker].endswith(passed_at[11:19] + "Z"), (page["markers"], passed_at)

    def eta_of_next(self, marker, after):
        # The pig has one passage since its launch: the ETA is the planned speed's.
        page = self.room.shown()
        eta = self.api_marker(marker)["eta"]
        expected = seconds_of(self.api_marker(after)["passedAt"]) + 600 / PIG_SPEED
        assert abs(seconds_of(eta) - expected) <= 1, (eta, expected)
        assert marker_row(page, marker)[5].endswith(eta[11:19] + "Z"), (page["markers"], eta)

    def api_marker(self, name):
        markers = self.room.api("/api/runs/drill")["state"]["pigs"][0]["markers"]
        return next(m for m in markers if m["name"] == name)

    def tracker_killed_while_the_pig_passes_d4(self):
        room = self.room
        room.stop("tracker", signal.SIGKILL)
        room.show("the page reconnecting", lambda page: page["live"] != "live")
        wait("the passage at D4 from its client", lambda: '"event":"passage"' in room.log("client D4"), seconds=60)
        room.start_tracker()
        page = room.show("D4 passed once the tracker is back",
                         lambda page: page["live"] == "live" and marker_row(page, "D4")[2] == "passed")
        for marker, passed in self.passed.items():
            assert marker_row(page, marker)[3] == passed, (marker, page["markers"])
        overdue = alarm_rows(page, "D2", "overdue")
        assert len(overdue) == 1 and overdue[0][2] == "closed" and " by " + OPERATOR in overdue[0][3], page["alarms"]
        assert ["20002", "offline"] in [row[:2] for row in page["units"]], page["units"]

    def broker_restarted(self):
        # A unit switched on after the broker came back shows: the tracker subscribed again.
        room = self.room
        room.stop("watcher")
        room.stop("mosquitto")
        room.start_broker()
        room.start_unit("D4", iso(datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(hours=1)),
                        serial="20005")
        page = room.show("a unit started after the broker's restart",
                         lambda page: ["20005", "online"] in [row[:2] for row in page["units"]], seconds=60)
        for marker, passed in self.passed.items():
            assert marker_row(page, marker)[3] == passed, (marker, page["markers"])


def main():
    with tempfile.TemporaryDirectory(prefix="quorvex-page-") as work:
        room = ControlRoom(work)
        run = Run(room)
        steps = [
            ("the page of a tracker on a broker", run.open_page),
            ("a run started on the page, its pig launched five minutes ago", run.start_run_five_minutes_ago),
            ("the unit at D2 stopped before the pig came", run.stop_the_unit_at_d2),
            ("D2 overdue, its alarm unacknowledged", run.overdue_alarm),
            ("the alarm acknowledged by name, by keyboard", run.acknowledge_by_keyboard),
            ("the pig past D3, D2 missed, the ETA of D4", run.pig_passes),
            ("the tracker killed, the pig past D4, the tracker back", run.tracker_killed_while_the_pig_passes_d4),
            ("the broker restarted", run.broker_restarted),
        ]
        try:
            for what, step in steps:
                started = time.monotonic()
                step()
                print(f"ok: {what} ({time.monotonic() - started:.1f} s)", flush=True)
        except BaseException:
            for name in ("tracker", "client D3", "client D4"):
                if os.path.exists(os.path.join(work, name + ".log")):
                    print(f"--- {name} log:\n{room.log(name)[-2000:]}", file=sys.stderr)
            raise
        finally:
            room.close()
        for marker, (broker, page) in run.delays.items():
            print(f"the passage at {marker} reached the broker's subscribers after {broker:.3f} s, the page after {page:.3f} s")


if __name__ == "__main__":
    main()
