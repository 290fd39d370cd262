"""The operator console in a real browser: headless Chromium driven by Selenium
logs in, reads the overview, watches a packet line arrive live, switches the
traffic file, and opens a profile's week and a calendar month. With
ORLUND_SCREENSHOTS=DIR it leaves a screenshot of each page there."""

import glob
import os
import shutil
import tempfile
import unittest
from contextlib import closing

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as EC
from selenium.webdriver.support.ui import WebDriverWait

from console_support import ConsoleServer, WireClient, wait_for, wire_string

RECEIVER_TYPES = 4
PASSWORD = 6


def start_chromium(profile_dir):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    # The machine has no network: without these Chromium waits for services
    # it cannot reach.
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--window-size=1280,860",
                 "--user-data-dir=" + profile_dir]:
        options.add_argument(flag)
    service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver")
    return webdriver.Chrome(service=service, options=options)


class BrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ConsoleServer()
        cls.profile_dir = tempfile.mkdtemp(prefix="orlund_chromium_")
        cls.driver = start_chromium(cls.profile_dir)
        cls.wait = WebDriverWait(cls.driver, 10)
        cls.shots = os.environ.get("ORLUND_SCREENSHOTS")

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.profile_dir, ignore_errors=True)
        cls.server.stop()

    def open(self, path):
        self.driver.get(self.server.url + path)

    def shot(self, name):
        if self.shots:
            os.makedirs(self.shots, exist_ok=True)
            self.driver.save_screenshot(os.path.join(self.shots, name + ".png"))

    def text_of(self, element_id):
        return self.wait.until(EC.presence_of_element_located((By.ID, element_id))).text

    def test_the_console_in_a_browser(self):
        driver = self.driver
        with closing(WireClient(self.server.port)) as wire:
            wire.start()
            wire.request(PASSWORD, wire_string("operator"))

            # Log in: a wrong password first, then the right one.
            self.open("/")
            self.assertTrue(driver.current_url.endswith("/login"))
            driver.find_element(By.ID, "password").send_keys("nonsense")
            driver.find_element(By.ID, "login").click()
            self.assertEqual(self.text_of("login-error"), "Wrong password.")
            self.shot("console-login")
            driver.find_element(By.ID, "password").send_keys("admin")
            driver.find_element(By.ID, "login").click()
            self.wait.until(EC.title_contains("Overview"))
            self.assertEqual(driver.find_element(By.CSS_SELECTOR, ".viewer .level").text,
                             "level 32767")
            self.assertEqual(self.text_of("clients"), "1/100")

            # The traffic file, switched from the page, appears with the next packet.
            self.assertEqual(self.text_of("traffic-state"), "off")
            driver.find_element(By.ID, "traffic-switch").click()
            self.wait.until(EC.text_to_be_present_in_element((By.ID, "traffic-state"), "on"))
            wire.request(RECEIVER_TYPES)
            traffic = self.server.project + "LogFiles/*_ActiveX_Log.bin"
            self.assertTrue(wait_for(lambda: glob.glob(traffic)))
            self.open("/")
            self.shot("console-overview")

            # A request of a wire client shows up live on the packet page.
            self.open("/packets")
            self.wait.until(EC.text_to_be_present_in_element((By.ID, "live-state"), "live"))
            before = len(driver.find_elements(By.CSS_SELECTOR, "#lines li"))
            wire.request(RECEIVER_TYPES)
            self.wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#lines li")) >=
                            before + 2)
            newest = driver.find_elements(By.CSS_SELECTOR, "#lines li")[-1].text
            self.assertRegex(newest, r" -> 127\.0\.0\.1:\d+ NETWORK_COMMON_RECEIVERTYPES")
            # The filter by message name hides the other lines.
            driver.find_element(By.ID, "filter-message").send_keys("RECEIVERTYPES")
            shown = [li.text for li in driver.find_elements(By.CSS_SELECTOR, "#lines li")
                     if li.is_displayed()]
            self.assertTrue(shown)
            self.assertTrue(all("NETWORK_COMMON_RECEIVERTYPES" in line for line in shown))
            driver.find_element(By.ID, "filter-message").clear()
            self.shot("console-packets")

            # A profile's week, drawn by the schedule view.
            self.open("/profiles")
            driver.find_element(By.LINK_TEXT, "Office hours").click()
            self.wait.until(EC.title_contains("Office hours"))
            picture = driver.find_element(By.CSS_SELECTOR, "figure.schedule svg")
            self.assertGreater(picture.size["width"], 300)
            self.assertIn("07:00-16:00", self.text_of("periods"))
            self.shot("console-profile")

            # A month of the calendar, and the next one.
            self.open("/calendar?month=2026-11&profile=Night%20watch")
            driver.find_element(By.ID, "next-month").click()
            self.wait.until(EC.text_to_be_present_in_element((By.ID, "shown-month"), "2026-12"))
            self.assertTrue(driver.find_element(By.CSS_SELECTOR, "figure.month svg").is_displayed())
            self.assertIn("Christmas Day", self.text_of("holidays"))
            self.assertIn("2026-12-24 Half day", self.text_of("assigned-days"))
            self.shot("console-calendar")


if __name__ == "__main__":
    unittest.main(verbosity=2)
