"""The control room's page during a drill, taken at desktop and phone width, light and dark.

usage: page_screenshots.py SOURCE_DIR OUTPUT_FOLDER   (scripts/page-screenshots.sh builds first)
"""
import os
import signal
import subprocess
import sys
import tempfile

from headless_chromium import DESKTOP, PHONE, HeadlessChromium, wait_for

SHOTS = [("desktop", DESKTOP, False), ("phone", PHONE, False),
         ("desktop-dark", DESKTOP, True), ("phone-dark", PHONE, True)]
PASSED_D3 = """return [...document.querySelectorAll('#markers tbody tr')]
  .some((tr) => tr.cells[0].textContent === 'D3' && tr.cells[2].textContent === 'passed')"""
# Acknowledges the oldest alarm (the last row) until the page shows it acknowledged.
ACKNOWLEDGE_OLDEST = """const rows = document.querySelectorAll('#alarms tbody tr');
const oldest = rows[rows.length - 1];
if (!oldest) return false;
if (oldest.cells[2].textContent === 'acknowledged') return true;
oldest.querySelector('button')?.click();
return false;"""
# Resolves once the page has drawn twice more (a viewport or colour scheme just changed).
TWO_FRAMES = "const done = arguments[0]; requestAnimationFrame(() => requestAnimationFrame(done));"


def page_of(drill):
    for line in drill.stdout:
        sys.stderr.write(line)
        if "the page is at " in line:
            return line.split("the page is at ")[1].strip()
    raise SystemExit("the drill ended before its page was up")


def main():
    root, output = sys.argv[1:3]
    drill = subprocess.Popen(["bash", os.path.join(root, "scripts", "drill.sh")], stdout=subprocess.PIPE, text=True)
    with tempfile.TemporaryDirectory(prefix="quorvex-page-shots-") as logs:
        browser = HeadlessChromium(logs)
        try:
            driver = browser.driver
            page = page_of(drill)
            driver.get(page)
            wait_for("the pig past D3", lambda: driver.execute_script(PASSED_D3), seconds=240)
            driver.find_element("id", "who").send_keys("Dana Field")
            wait_for("an alarm acknowledged", lambda: driver.execute_script(ACKNOWLEDGE_OLDEST), every=1)
            for name, screen, dark in SHOTS:
                # Loaded afresh at each size, as a phone would, so that the map fits the route to it.
                browser.emulate(screen, dark)
                driver.get(page)
                wait_for("the run", lambda: driver.execute_script(PASSED_D3))
                driver.execute_async_script(TWO_FRAMES)
                path = os.path.join(output, name + ".png")
                browser.screenshot(path)
                print(path)
        finally:
            browser.quit()
            drill.send_signal(signal.SIGINT)
            drill.wait(timeout=30)


if __name__ == "__main__":
    main()
