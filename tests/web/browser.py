"""Headless Chromium from Debian driven by Selenium, for the page's tests
and screenshots. unavailable() says why it cannot run, or None."""

import os
import shutil
import tempfile

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage", "--hide-scrollbars"]


def unavailable():
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed"
    for path in (CHROMIUM, CHROMEDRIVER):
        if not os.access(path, os.X_OK):
            return f"{path} is not installed (Debian packages chromium, chromium-driver)"
    return None


class Browser:
    """A fresh Chromium profile per instance; .driver is the WebDriver."""

    def __init__(self, width=1280, height=900, downloads=None, mobile=False):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        self.profile = tempfile.mkdtemp(prefix="corvan-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in FLAGS:
            options.add_argument(flag)
        options.add_argument(f"--user-data-dir={self.profile}")
        options.add_argument(f"--window-size={width},{height}")
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        if mobile:
            options.add_experimental_option("mobileEmulation", {
                "deviceMetrics": {"width": width, "height": height, "pixelRatio": 2},
                "userAgent": "Mozilla/5.0 (Linux; Android 14) Mobile"})
        if downloads:
            options.add_experimental_option("prefs", {
                "download.default_directory": downloads,
                "download.prompt_for_download": False})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.set_page_load_timeout(30)

    def close(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)
