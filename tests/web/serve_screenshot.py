"""Screenshots of the page for the README, made with the browser tests'
tooling: a SILAC light/heavy peptide pair at charge 2, on a laptop-sized
window (--phone adds serve-phone.png and serve-phone-plot.png, a 390 x 844
phone, for looking at by eye). Usage (from the repository root, after a
build):

    CORVAN_CLI=build/cli/corvan /usr/bin/python3 tests/web/serve_screenshot.py docs [--phone]
"""

import os
import sys
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402
from serve_support import Server, program_path  # noqa: E402

LIGHT = "kind=peptide&input=SAMPLERK&charge=2&min_intensity=1e-5"
HEAVY = "kind=peptide&input=SAMPLERK[Label:13C(6)15N(2)]&charge=2&min_intensity=1e-5"
PAGE = f"/?{HEAVY.replace('[', '%5B').replace(']', '%5D')}&pin={urllib.parse.quote(LIGHT)}"


def shoot(server, path, width, height, mobile):
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait

    window = browser.Browser(width=width, height=height, mobile=mobile)
    try:
        driver = window.driver
        driver.get(server.url + PAGE)
        WebDriverWait(driver, 20).until(
            lambda d: d.find_element(By.ID, "result").is_displayed())
        if not mobile:  # the whole page, hovering over the highest stick
            full = driver.execute_script("return document.documentElement.scrollHeight")
            driver.set_window_size(width, min(full + 140, 2400))
            time.sleep(0.5)  # the plot is redrawn after a resize
            sticks = driver.find_elements(By.CSS_SELECTOR, ".stick.current")
            top = max(sticks, key=lambda s: float(s.get_attribute("data-intensity")))
            ActionChains(driver).move_to_element(top).perform()
        driver.save_screenshot(path)
        if mobile:  # for the eye: the plot and table below the form
            driver.execute_script("document.getElementById('summary').scrollIntoView()")
            driver.save_screenshot(path.replace(".png", "-plot.png"))
    finally:
        window.close()


def main():
    reason = browser.unavailable()
    if reason:
        raise SystemExit(reason)
    words = [a for a in sys.argv[1:] if a != "--phone"]
    out = words[0] if words else "docs"
    with Server(program_path()) as server:
        shoot(server, os.path.join(out, "serve.png"), 1280, 900, mobile=False)
        print(f"wrote {out}/serve.png")
        if "--phone" in sys.argv:
            shoot(server, os.path.join(out, "serve-phone.png"), 390, 844, mobile=True)
            print(f"wrote {out}/serve-phone.png and {out}/serve-phone-plot.png")


if __name__ == "__main__":
    main()
