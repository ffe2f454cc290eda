"""Debian's Chromium driven by Selenium with no display, for the tracker's page.

Each browser gets a profile folder of its own (removed by quit()), runs without the sandbox
when root (Chromium refuses to start otherwise) and starts in UTC with the C locale, so what
the page shows does not depend on the machine.
"""
import base64
import os
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

PHONE = {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True}
DESKTOP = {"width": 1280, "height": 900, "deviceScaleFactor": 1, "mobile": False}


class HeadlessChromium:
    def __init__(self, log_folder):
        self.profile = tempfile.TemporaryDirectory(prefix="quorvex-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--disable-gpu", "--no-first-run", "--disable-extensions",
                         "--disable-dev-shm-usage", "--lang=en-US", "--window-size=1280,900",
                         "--user-data-dir=" + self.profile.name):
            options.add_argument(argument)
        if os.geteuid() == 0:
            options.add_argument("--no-sandbox")
        environment = dict(os.environ, TZ="UTC", LANG="C.UTF-8", HOME=self.profile.name)
        service = Service("/usr/bin/chromedriver", log_path=os.path.join(log_folder, "chromedriver.log"),
                          env=environment)
        self.driver = webdriver.Chrome(service=service, options=options)

    def quit(self):
        try:
            self.driver.quit()
        finally:
            self.profile.cleanup()

    def emulate(self, screen, dark=False):
        """Sets the viewport (DESKTOP or PHONE) and the preferred colour scheme."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", screen)
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-color-scheme", "value": "dark" if dark else "light"}]})

    def screenshot(self, path):
        """Writes the whole page, beyond the viewport, as a PNG."""
        shot = self.driver.execute_cdp_cmd("Page.captureScreenshot",
                                           {"format": "png", "captureBeyondViewport": True})
        with open(path, "wb") as file:
            file.write(base64.b64decode(shot["data"]))


def wait_for(what, condition, seconds=30, every=0.05):
    """Polls condition() until it gives something true, at most `seconds`; returns it."""
    deadline = time.monotonic() + seconds
    while not (result := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(f"no {what} within {seconds} s")
        time.sleep(every)
    return result
