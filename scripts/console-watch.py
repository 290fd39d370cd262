#!/usr/bin/python3
"""console-watch.py URL PASSWORD SECONDS: logs in to the operator console in
headless Chromium and keeps its live packet page open for SECONDS, then says
how many lines the page showed. The console benchmark runs it beside the load."""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from console_browser_test import start_chromium  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support import expected_conditions as EC  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

url, password, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
profile = tempfile.mkdtemp(prefix="orlund_watch_")
driver = start_chromium(profile)
try:
    driver.get(url + "/login")
    driver.find_element(By.ID, "password").send_keys(password)
    driver.find_element(By.ID, "login").click()
    WebDriverWait(driver, 10).until(EC.title_contains("Overview"))
    driver.get(url + "/packets")
    WebDriverWait(driver, 10).until(
        EC.text_to_be_present_in_element((By.ID, "live-state"), "live"))
    print("watching the live packet page", flush=True)
    time.sleep(seconds)
    lines = driver.execute_script("return document.querySelectorAll('#lines li').length")
    newest = driver.execute_script(
        "const l = document.querySelector('#lines li:last-child'); return l ? l.textContent : ''")
    print("the page shows %d lines, the newest: %s" % (lines, newest), flush=True)
finally:
    driver.quit()
    shutil.rmtree(profile, ignore_errors=True)
