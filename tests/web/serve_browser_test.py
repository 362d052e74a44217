"""The page of `corvan serve` in a real browser (headless Chromium): typed
input, plotted sticks and table against the API, state URLs, overlays,
hover, downloads and errors. Exit status 77 (CTest: skipped) when Chromium
or Selenium is missing."""

import csv
import io
import json
import os
import re
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402
from serve_support import Server, program_path  # noqa: E402

WAIT = 20  # seconds


def api_query_of(url):
    """The API keys of a page URL (everything but the overlays)."""
    pairs = urllib.parse.parse_qsl(urllib.parse.urlsplit(url).query)
    return [(k, v) for k, v in pairs if k != "pin"]


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server(program_path()).__enter__()
        cls.downloads = tempfile.mkdtemp(prefix="corvan-downloads-")
        cls.browser = browser.Browser(downloads=cls.downloads)
        cls.driver = cls.browser.driver

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.__exit__(None, None, None)

    def tearDown(self):
        # Whatever a test did, the page never broke its own policy, and
        # nothing it asked for was missing.
        logs = self.driver.get_log("browser")
        self.assertEqual([e["message"] for e in logs if e.get("source") == "security"], [])
        # By status, not by "404" anywhere: the server's port may contain it.
        missing = [e["message"] for e in logs if "status of 404 " in e.get("message", "")]
        self.assertEqual(missing, [])

    # ------------------------------------------------------------ helpers

    def find(self, selector):
        from selenium.webdriver.common.by import By
        return self.driver.find_element(By.CSS_SELECTOR, selector)

    def find_all(self, selector):
        from selenium.webdriver.common.by import By
        return self.driver.find_elements(By.CSS_SELECTOR, selector)

    def wait_for(self, condition, what):
        from selenium.webdriver.support.ui import WebDriverWait
        return WebDriverWait(self.driver, WAIT).until(lambda d: condition(), message=what)

    def wait_result_or_error(self):
        self.wait_for(lambda: self.find("#result").is_displayed() or
                      self.find("#error").is_displayed(), "a result or an error")

    def type_query(self, kind, text, charge="0", label=""):
        from selenium.webdriver.support.ui import Select
        self.driver.get(self.server.url + "/")
        Select(self.find("#kind")).select_by_value(kind)
        for selector, value in (("#input", text), ("#charge", charge), ("#label", label)):
            field = self.find(selector)
            field.clear()
            field.send_keys(value)
        self.find("#compute").click()
        self.wait_result_or_error()

    def sticks(self, selector=".stick.current"):
        return [(float(s.get_attribute("data-x")), float(s.get_attribute("data-intensity")),
                 s.get_attribute("data-peak")) for s in self.find_all(selector)]

    def table(self):
        return [[cell.text for cell in row.find_elements("css selector", "td")]
                for row in self.find_all("#table tbody tr")]

    def assert_page_shows(self, data):
        """Sticks and table rows are the API's points (x: m/z of ions, else
        mass); the plot's range holds at least every visible point (1e-3 of
        the highest or more), the table every point."""
        ion = data["charge"] != 0
        drawn = {peak for _, _, peak in self.sticks()}
        self.assertLessEqual({p["peak"] for p in data["points"] if p["intensity"] >= 1e-3}, drawn)
        points = [p for p in data["points"] if p["intensity"] > 0 and p["peak"] in drawn]
        sticks = self.sticks()
        self.assertEqual(len(sticks), len(points))
        for (x, height, peak), point in zip(sticks, points):
            self.assertEqual(peak, point["peak"])
            self.assertAlmostEqual(x, point["mz"] if ion else point["mass"], places=9)
            self.assertAlmostEqual(height, point["intensity"], places=12)
        rows = self.table()
        self.assertEqual(len(rows), len(data["points"]))
        for row, point in zip(rows, data["points"]):
            self.assertEqual(row[0], point["peak"])
            shown_x = float(row[1])
            self.assertAlmostEqual(shown_x, point["mz"] if ion else point["mass"], delta=6e-7)
            self.assertAlmostEqual(float(row[-2]), point["intensity"],
                                   delta=max(6e-7, 1e-4 * point["intensity"]))

    # ------------------------------------------------------------ tests

    def test_typed_formula_ion_is_plotted_and_tabled_as_the_api_gives_it(self):
        self.type_query("formula", "C50H71N13O12", charge="2", label="15N=0.98")
        self.assertFalse(self.find("#error").is_displayed(), self.find("#error").text)
        query = api_query_of(self.driver.current_url)
        self.assertIn(("charge", "2"), query)
        self.assertIn(("label", "15N=0.98"), query)
        status, data = self.server.api(query)
        self.assertEqual(status, 200)
        self.assert_page_shows(data)
        self.assertIn("m/z", self.find("#x-head").text)

    def test_typed_peptide_shows_the_api_result_or_its_error(self):
        # ProForma sequences arrive in the library separately; by text the
        # page must mirror whatever the API answers, success or refusal.
        self.type_query("peptide", "EM[Oxidation]EVEESPEK", charge="2")
        query = api_query_of(self.driver.current_url)
        self.assertIn(("input", "EM[Oxidation]EVEESPEK"), query)
        status, data = self.server.api(query)
        if status == 200:
            self.assert_page_shows(data)
        else:
            self.assertEqual(self.find("#error").text.splitlines()[0], data["error"])

    def test_peptide_by_mass_from_a_state_url_renders_without_clicks(self):
        url = "/?kind=peptide&mass=2500.5&charge=3&points=6"
        self.driver.get(self.server.url + url)
        self.wait_result_or_error()
        self.assertEqual(self.find("#input").get_attribute("value"), "2500.5")
        self.assertEqual(self.find("#charge").get_attribute("value"), "3")
        status, data = self.server.api(api_query_of(url))
        self.assertEqual(status, 200)
        self.assertEqual(len(data["points"]), 6)
        self.assert_page_shows(data)

    def test_overlays_from_the_url_draw_every_trace(self):
        light = "kind=formula&input=C50H71N13O12&charge=2"
        heavy = "kind=formula&input=C44%5B13C6%5DH71N11%5B15N2%5DO12&charge=2"
        self.driver.get(f"{self.server.url}/?{heavy}&pin={urllib.parse.quote(light)}")
        self.wait_result_or_error()
        self.assertEqual(len(self.find_all("#legend li")), 2)
        colors = {s.get_attribute("stroke") for s in self.find_all(".stick")}
        self.assertEqual(len(colors), 2)
        _, light_data = self.server.api(urllib.parse.parse_qsl(light))
        pinned = sorted(self.sticks(".stick:not(.current)"))
        self.assertEqual([round(x, 9) for x, _, _ in pinned],
                         [round(p["mz"], 9) for p in light_data["points"] if p["intensity"] > 0])
        # Keeping the current one for overlay adds it to the URL.
        self.find("#pin").click()
        self.wait_for(lambda: len(urllib.parse.parse_qs(urllib.parse.urlsplit(
            self.driver.current_url).query).get("pin", [])) == 2, "a second pin in the URL")

    def test_fixed_call_engines_plot_their_heights_over_the_exact_result(self):
        from selenium.webdriver.support.ui import Select
        nn = "kind=peptide&input=PEPTIDEK&engine=nn&points=6"
        exact = "kind=peptide&input=PEPTIDEK"
        self.driver.get(f"{self.server.url}/?{nn}&pin={urllib.parse.quote(exact)}")
        self.wait_result_or_error()
        self.assertFalse(self.find("#error").is_displayed(), self.find("#error").text)
        self.assertTrue(self.find("#charge").get_attribute("disabled"))  # nn: neutral only
        _, data = self.server.api(urllib.parse.parse_qsl(nn))
        sticks = self.sticks()
        self.assertEqual([peak for _, _, peak in sticks], [p["peak"] for p in data["points"]])
        for (x, height, _), peak in zip(sticks, data["points"]):
            self.assertAlmostEqual(x, peak["mass"], places=6)
            self.assertAlmostEqual(height, peak["intensity"], places=9)
        self.assertEqual(len(self.find_all("#legend li")), 2)
        # By mass the fixed call knows no masses: the sticks stand at the
        # exact engine's masses of the same input.
        self.driver.get(f"{self.server.url}/?kind=peptide&mass=1500&engine=fit&points=4")
        self.wait_result_or_error()
        _, exact_data = self.server.api([("kind", "peptide"), ("mass", "1500")])
        self.assertEqual([round(x, 6) for x, _, _ in self.sticks()],
                         [round(p["mass"], 6) for p in exact_data["points"][:4]])
        # Formulas have the exact engine only.
        Select(self.find("#kind")).select_by_value("formula")
        self.assertEqual(self.find("#engine").get_attribute("value"), "exact")
        self.assertFalse(self.find("#charge").get_attribute("disabled"))

    def test_hover_shows_the_stick_and_zoom_narrows_the_view(self):
        from selenium.webdriver.common.action_chains import ActionChains
        self.driver.get(self.server.url + "/?kind=formula&input=C6H12O6&charge=1")
        self.wait_result_or_error()
        first = self.find_all(".stick.current")[0]
        ActionChains(self.driver).move_to_element(first).perform()
        self.wait_for(lambda: self.find("#tooltip").is_displayed(), "the tooltip")
        tip = self.find("#tooltip").text
        self.assertIn("M\n", tip + "\n")
        self.assertIn(f"m/z {float(first.get_attribute('data-x')):.6f}", tip)
        self.assertIn("height 1.000000", tip)
        before = len(self.find_all(".stick.current"))
        for _ in range(3):
            self.find("#zoom-in").click()
        self.assertLess(len(self.find_all(".stick.current")), before)
        self.find("#zoom-reset").click()
        self.assertEqual(len(self.find_all(".stick.current")), before)

    def test_downloads_are_the_api_object_and_its_points_and_copy_answers(self):
        query = "kind=formula&input=H2O&charge=-1"
        self.driver.get(f"{self.server.url}/?{query}")
        self.wait_result_or_error()
        _, data = self.server.api(urllib.parse.parse_qsl(query))
        self.find("#download-json").click()
        self.find("#download-csv").click()
        paths = [os.path.join(self.downloads, f"corvan-H2O.{ext}") for ext in ("json", "csv")]
        self.wait_for(lambda: all(os.path.exists(p) for p in paths), "both downloads")
        with open(paths[0], encoding="utf-8") as f:
            self.assertEqual(json.load(f), data)
        with open(paths[1], encoding="utf-8") as f:
            rows = list(csv.DictReader(io.StringIO(f.read())))
        self.assertEqual([float(r["mz"]) for r in rows], [p["mz"] for p in data["points"]])
        self.find("#copy-mz").click()
        self.wait_for(lambda: self.find("#copied").is_displayed(), "the copied note")

    def test_errors_show_the_library_message_next_to_the_input(self):
        self.type_query("formula", "C6H12Q6")
        error = self.find("#error")
        self.assertTrue(error.is_displayed())
        _, data = self.server.api({"kind": "formula", "input": "C6H12Q6"})
        self.assertEqual(error.text.splitlines()[0], data["error"])
        self.assertEqual(self.find("#error mark").text, "Q")  # the character at its position
        self.assertFalse(self.find("#result").is_displayed())
        self.assertEqual(self.find("#input").get_attribute("aria-invalid"), "true")
        # A bad state URL gives the server's message, never a broken page.
        self.driver.get(self.server.url + "/?kind=peptide&mass=-5")
        self.wait_result_or_error()
        self.assertTrue(self.find("#error").is_displayed())
        self.assertTrue(self.find("#error").text)

    def test_any_result_is_drawn_fitted_and_explained(self):
        # Tens of thousands of points: no call-stack limit on the way.
        query = "kind=formula&input=Sn299999&label=112Sn%3D0.5%2C124Sn%3D0.3"
        self.driver.get(f"{self.server.url}/?{query}")
        self.wait_result_or_error()
        self.assertFalse(self.find("#error").is_displayed(), self.find("#error").text)
        _, data = self.server.api(urllib.parse.parse_qsl(query))
        self.assertGreater(len(data["points"]), 25000)
        rows = "return document.querySelectorAll('#table tbody tr').length"
        self.assertEqual(self.driver.execute_script(rows), len(data["points"]))
        # Past what this browser's stack takes as spread arguments.
        self.driver.set_script_timeout(120)
        self.driver.execute_script("""
            const points = [];
            for (let k = 0; k < 130000; ++k)
              points.push({ k, peak: `M+${k}`, mass: 1000 + k, intensity: k < 50 ? 1 / (1 + k) : 0, share: null });
            state.traces = [{ query: 'input=X', name: 'X', color: '#000', current: true,
              data: { formula: 'X', monoisotopic_mass: 1000, average_mass: null, charge: 0,
                      labels: [], points, most_abundant: 0 } }];
            render();""")
        self.assertEqual(self.driver.execute_script(rows), 130000)
        # The x range is that of the visible sticks (with a margin), not of
        # the invisible tails; both axes have titles.
        self.driver.get(self.server.url + "/?kind=formula&input=C254H377N65O75S6&charge=4")
        self.wait_result_or_error()
        plot = self.find("#plot svg")
        width = float(plot.get_attribute("width"))
        xs = [float(s.get_attribute("x1")) for s in self.find_all(".stick.current")
              if float(s.get_attribute("data-intensity")) >= 1e-3]
        self.assertLess(min(xs), 0.2 * width)
        self.assertGreater(max(xs), 0.8 * width)
        titles = [t.text for t in self.find_all("#plot .axis-title")]
        self.assertEqual(titles, ["m/z", "relative intensity"])
        # An ion's mass column says what it is.
        self.assertNotEqual(self.find("#mass-head").text, "mass (Da)")
        # The library's byte offset marks the right character after a
        # non-ASCII one.
        self.type_query("peptide", "EM[INFO:café]EVEESPEKJ1")
        self.assertEqual(self.find("#error mark").text, "J")

    def test_a_phone_screen_shows_every_control_and_column(self):
        phone = browser.Browser(width=390, height=844, mobile=True)
        try:
            driver = phone.driver
            driver.get(self.server.url + "/?kind=peptide&input=PEPTIDE&charge=2")
            from selenium.webdriver.support.ui import WebDriverWait
            WebDriverWait(driver, WAIT).until(
                lambda d: d.find_element("css selector", "#result").is_displayed())
            inside = driver.execute_script("""
                const width = document.documentElement.clientWidth;
                const right = (s) => document.querySelector(s).getBoundingClientRect().right;
                const wrap = document.querySelector('.table-wrap');
                const last = document.querySelector('#table th:last-child');
                return [document.documentElement.scrollWidth <= width, right('#engine') <= width,
                        getComputedStyle(last).display !== 'none',
                        wrap.scrollWidth <= wrap.clientWidth];""")
            self.assertEqual(inside, [True, True, True, True])
        finally:
            phone.close()

    def test_user_text_is_shown_as_text(self):
        hostile = '<img src=x id=injected onerror="document.title=1">'
        self.type_query("formula", hostile)
        self.assertTrue(self.find("#error").is_displayed())
        self.assertIn("<img", self.find("#error").text)
        self.assertEqual(self.find_all("#injected"), [])
        self.driver.get(self.server.url + "/?kind=formula&input=H2O&charge=1&adduct="
                        + urllib.parse.quote(hostile))
        self.wait_result_or_error()
        self.assertEqual(self.find_all("#injected"), [])

    def test_back_button_restores_the_previous_result(self):
        self.driver.get(self.server.url + "/?kind=formula&input=H2O")
        self.wait_result_or_error()
        self.find("#input").clear()
        self.find("#input").send_keys("NH3")
        self.find("#compute").click()
        self.wait_for(lambda: self.find("#summary").text.startswith("H3N"), "the NH3 result")
        self.assertIn("input=NH3", self.driver.current_url)
        self.driver.back()
        self.wait_for(lambda: self.find("#input").get_attribute("value") == "H2O", "H2O again")
        self.wait_for(lambda: self.find("#summary").text.startswith("H2O"), "the H2O result")

    def test_resolution_draws_profiles_and_zooms_into_one_peaks_fine_structure(self):
        from selenium.webdriver.common.action_chains import ActionChains
        heavy = urllib.parse.urlencode({"kind": "peptide", "input": "SAMPLER", "charge": "2",
                                        "label": "15N=0.98"})
        light = [("kind", "peptide"), ("input", "SAMPLER"), ("charge", "2")]
        self.driver.get(self.server.url + "/?" + urllib.parse.urlencode(
            [*light, ("resolution", "360000@200"), ("pin", heavy)]))
        self.wait_for(lambda: len(self.find_all("path.profile")) == 2, "light and heavy profiles")
        # The monoisotopic peak is one composition: at this resolution the
        # profile's apex there is the stick's top, on the same scale.
        stick = self.find(".stick.current[data-peak='M']")
        apex = min(float(y) for y in re.findall(
            r"[ML][0-9.]+ ([0-9.]+)", self.find("path.profile.current").get_attribute("d")))
        self.assertAlmostEqual(apex, float(stick.get_attribute("y2")), delta=1.0)
        ActionChains(self.driver).click(self.find(".stick.current[data-peak='M+1']")).perform()
        self.wait_for(lambda: self.find_all(".stick.fine"), "the fine structure of M+1")
        status, _, body = self.server.get("/api/spectrum?" + urllib.parse.urlencode(
            [*light, ("resolution", "360000@200"), ("part", "centroids"),
             *self.zoom_window()]))
        centroids = json.loads(body)["centroids"]
        self.assertEqual((status, len(centroids)), (200, 2))  # 15N and 13C apart
        self.assertEqual(sorted(float(s.get_attribute("data-x")) for s in self.find_all(".stick.fine")),
                         sorted(f["mz"] for c in centroids for f in c["fine"]))
        self.assertEqual(len(self.find_all("circle.centroid")), 2)
        self.assertIn("2 centroids", self.find("#zoom-summary").text)
        self.find("#zoom-reset").click()
        self.assertFalse(self.find_all(".stick.fine"))

    def zoom_window(self):
        return [("mz_low", self.driver.execute_script("return state.zoom.window[0].toFixed(6)")),
                ("mz_high", self.driver.execute_script("return state.zoom.window[1].toFixed(6)"))]

    def test_a_bad_resolution_shows_the_librarys_message(self):
        self.driver.get(self.server.url + "/?kind=formula&input=C6H12O6&resolution=0%40200")
        self.wait_for(lambda: self.find("#spectrum-error").is_displayed(), "the refusal")
        body = self.server.get("/api/spectrum?kind=formula&input=C6H12O6&resolution=0%40200")[2]
        self.assertTrue(self.find("#spectrum-error").text.endswith(json.loads(body)["error"]))

    def test_fragment_panel_lists_the_apis_ions_or_its_refusal(self):
        self.type_query("peptide", "PEPTIDE/2")
        self.find("#fragments-charges").send_keys("1-2")
        self.find("#fragments-isolation").send_keys("M+1")
        self.find("#fragments-compute").click()
        self.wait_for(lambda: self.find_all(".fragment-row"), "the fragment rows")
        body = self.server.get("/api/fragments?input=PEPTIDE%2F2&charges=1-2&isolation=M%2B1")[2]
        fragments = json.loads(body)["fragments"]
        rows = [[cell.text for cell in row.find_elements("css selector", "td")]
                for row in self.find_all(".fragment-row")]
        self.assertEqual([r[0] for r in rows], [f["name"] for f in fragments])
        self.assertAlmostEqual(float(rows[0][3]), fragments[0]["monoisotopic_mz"], delta=6e-7)
        self.assertEqual(len(rows[0]), 6)  # with the envelope after isolation
        self.type_query("peptide", "PEPTX")
        self.find("#fragments-compute").click()
        self.wait_for(lambda: self.find("#fragments-error").is_displayed(), "the refusal")
        error = json.loads(self.server.get("/api/fragments?input=PEPTX")[2])["error"]
        self.assertEqual(self.find("#fragments-error").text, error)

    def test_pasted_peaks_show_the_score_and_the_mirrored_envelope_or_a_refusal(self):
        # [M+2H]2+ of PEPTIDEK at the library's heights, with a header line.
        peaks = [(464.73474, 1.0), (465.23623, 0.4793), (465.73752, 0.1453), (466.23879, 0.033)]
        self.type_query("peptide", "PEPTIDEK")
        pasted = "m/z,intensity\n" + "\n".join(f"{mz},{i}" for mz, i in peaks)
        self.find("#observed-peaks").send_keys(pasted)
        self.find("#observed-match").click()
        self.wait_for(lambda: self.find("#observed-summary").text, "the match summary")
        status, _, body = self.server.get("/api/match?" + urllib.parse.urlencode(
            {"kind": "peptide", "input": "PEPTIDEK", "charges": "1-4", "ppm": "10",
             "peaks": ",".join(f"{mz}:{i}" for mz, i in peaks)}))
        data = json.loads(body)
        self.assertEqual(status, 200, data)
        self.assertTrue(self.find("#observed-summary").text.startswith(
            f"charge 2: cosine {data['cosine']:.4f}"))
        # Observed sticks rise from the axis, expected ones hang below it.
        axis = float(self.find("#observed-plot svg line").get_attribute("y1"))
        observed = self.find_all("#observed-plot .observed-peak")
        expected = self.find_all("#observed-plot .expected-peak")
        self.assertEqual(len(observed), len(peaks))
        self.assertEqual(len(expected), len(data["peaks"]))
        self.assertTrue(all(float(s.get_attribute("y2")) < axis for s in observed))
        self.assertTrue(all(float(s.get_attribute("y2")) > axis for s in expected))
        self.assertFalse(self.find("#observed-error").is_displayed())
        # A negative intensity: the library's refusal, as the API gives it.
        self.find("#observed-peaks").clear()
        self.find("#observed-peaks").send_keys(pasted.replace(",0.1453", ",-1"))
        self.find("#observed-match").click()
        self.wait_for(lambda: self.find("#observed-error").is_displayed(), "the refusal")
        status, _, body = self.server.get("/api/match?" + urllib.parse.urlencode(
            {"kind": "peptide", "input": "PEPTIDEK", "charges": "1-4", "ppm": "10",
             "peaks": ",".join(f"{mz}:{-1 if i == 0.1453 else i}" for mz, i in peaks)}))
        self.assertEqual(status, 400)
        self.assertEqual(self.find("#observed-error").text, json.loads(body)["error"])


def main():
    reason = browser.unavailable()
    if reason:
        print(f"SKIPPED: the browser test needs Chromium and Selenium: {reason}")
        return 77
    program_path()
    start = time.time()
    result = unittest.main(exit=False, verbosity=2).result
    print(f"browser tests took {time.time() - start:.1f} s")
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
