"""GET /api/distribution of `corvan serve`: the command line's JSON object,
refusals as HTTP 400 with the message, bounds on one request's work,
security headers, concurrent clients and a clean stop."""

import http.client
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_support import Server, program_path  # noqa: E402

PROGRAM = program_path()


class ApiTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server(PROGRAM).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def assert_refused(self, query, pattern, status=400):
        got, data = self.server.api(query)
        self.assertEqual(got, status, (query, data))
        self.assertIsInstance(data["error"], str)
        self.assertRegex(data["error"], pattern)
        return data

    def test_same_object_as_the_command_line(self):
        for argv, query in (
                (["formula", "C6H12O6"], {"input": "C6H12O6"}),
                (["formula", "C50H71N13O12", "--charge", "2", "--label", "15N=0.98"],
                 {"input": "C50H71N13O12", "charge": "2", "label": "15N=0.98"}),
                (["formula", "[13C6]H12O6", "--charge", "1", "--adduct", "Na+"],
                 {"input": "[13C6]H12O6", "charge": "1", "adduct": "Na+"})):
            with self.subTest(argv=argv):
                status, data = self.server.api({"kind": "formula", **query})
                self.assertEqual(status, 200)
                cli = subprocess.run([PROGRAM, *argv, "--format", "json"], capture_output=True,
                                     text=True, check=True)
                self.assertEqual(data, json.loads(cli.stdout))

    def test_fixed_call_engines_give_the_command_lines_object(self):
        for argv, query in (
                (["peptide", "PEPTIDE", "--engine", "nn", "--points", "6"],
                 {"kind": "peptide", "input": "PEPTIDE", "engine": "nn", "points": "6"}),
                (["rna", "--mass", "5000.5", "--engine", "brain"],
                 {"kind": "rna", "mass": "5000.5", "engine": "brain"}),
                (["peptide", "--mass", "25000", "--engine", "fit", "--points", "40"],
                 {"kind": "peptide", "mass": "25000", "engine": "fit", "points": "40"})):
            with self.subTest(argv=argv):
                status, data = self.server.api(query)
                self.assertEqual(status, 200, data)
                cli = subprocess.run([PROGRAM, *argv, "--format", "json"], capture_output=True,
                                     text=True, check=True)
                self.assertEqual(data, json.loads(cli.stdout))
        for query, pattern in (
                ({"kind": "formula", "input": "C6H12O6", "engine": "nn"}, "exact engine only"),
                ({"kind": "peptide", "input": "PEPTIDE", "engine": "fft", "charge": "2"},
                 "need the exact engine"),
                ({"kind": "peptide", "input": "PEPTIDE", "engine": "fit"}, "takes a mass only"),
                ({"kind": "peptide", "input": "PEPTIDE", "engine": "fast"}, "unknown engine 'fast'"),
                ({"kind": "rna", "input": "ACGU", "engine": "brain", "points": "5000"},
                 "at most 1024")):
            with self.subTest(query=query):
                self.assert_refused(query, pattern)

    def test_spectrum_is_the_command_lines_object_and_refuses_as_it_does(self):
        ion = {"kind": "peptide", "input": "SAMPLER", "charge": "2"}
        argv = [PROGRAM, "peptide", "SAMPLER", "--charge", "2"]
        for extra, options, http in (
                ({"resolution": "360000@200", "part": "centroids"},
                 ["--resolution", "360000@200", "--centroids"], 200),
                ({"resolution": "-5@200"}, ["--resolution", "-5@200", "--profile"], 400),
                ({"analyzer": "magnet"}, ["--analyzer", "magnet", "--profile"], 400),
                ({"part": "fine", "max_peaks": "3"}, ["--fine", "--max-peaks", "3"], 422)):
            with self.subTest(extra=extra):
                status, _, body = self.server.get(
                    "/api/spectrum?" + urllib.parse.urlencode({**ion, **extra}))
                data = json.loads(body)
                cli = subprocess.run([*argv, *options, "--format", "json"], capture_output=True,
                                     text=True)
                self.assertEqual(status, http, data)
                if http == 200:
                    self.assertEqual(data, json.loads(cli.stdout))
                else:
                    self.assertIn(data["error"], cli.stderr)
        status, _, _ = self.server.get("/api/spectrum?" + urllib.parse.urlencode(
            {**ion, "max_peaks": "20001"}))
        self.assertEqual(status, 400)

    def test_keys_of_an_ion(self):
        status, data = self.server.api({"kind": "formula", "input": "C6H12O6", "charge": "1",
                                        "points": "3", "min_intensity": "0.05"})
        self.assertEqual(status, 200)
        for key in ("atoms", "charge", "monoisotopic_mass", "average_mass", "points"):
            self.assertIn(key, data)
        self.assertEqual(data["atoms"], {"C": 6, "H": 12, "O": 6})
        self.assertEqual([p["peak"] for p in data["points"]], ["M", "M+1"])  # M+2 is 1.4%
        for point in data["points"]:
            self.assertEqual(set(point) >= {"share", "intensity", "mass", "mz"}, True)

    def test_labels_as_a_list_or_repeated_keys_are_the_same(self):
        listed = self.server.api({"input": "C10H20N4O4", "label": "15N=0.98, 13C=0.5"})
        repeated = self.server.api([("input", "C10H20N4O4"), ("label", "15N=0.98"),
                                    ("label", "13C=0.5")])
        self.assertEqual(listed[0], 200)
        self.assertEqual(listed, repeated)
        self.assertEqual(listed[1]["labels"], ["15N=0.98", "13C=0.5"])

    def test_molecules_by_mass(self):
        for kind in ("peptide", "rna", "dna"):
            with self.subTest(kind=kind):
                status, data = self.server.api({"kind": kind, "mass": "5000", "charge": "-3"})
                self.assertEqual(status, 200, data)
                self.assertAlmostEqual(data["average_mass"], 5000, places=6)

    def test_library_refusals_carry_message_status_and_position(self):
        data = self.assert_refused({"kind": "formula", "input": "C6H12Q6"}, "'Q'")
        self.assertEqual(data["position"], 5)
        self.assert_refused({"input": "H2O", "label": "15N=1.5"}, ".")
        self.assert_refused({"input": "H2O", "charge": "2", "adduct": "Xx+"}, ".")
        self.assert_refused({"kind": "peptide", "mass": "-5"}, ".")

    def test_malformed_queries(self):
        cases = [
            ({"input": "H2O", "colour": "red"}, "unknown query key 'colour'"),
            ([("input", "H2O"), ("input", "CH4")], "given twice"),
            ({"kind": "formula"}, "either input"),
            ({"kind": "peptide", "input": "PEPTIDE", "mass": "800"}, "either input"),
            ({"kind": "protein", "input": "PEPTIDE"}, "kind must be"),
            ({"kind": "peptide", "mass": "1e7"}, "limit"),
        ]
        # Values out of range or not plain decimals: the message names the key.
        bad_values = {
            "charge": ["1.5", "99999999999999", "101"],
            "points": ["-1", "10001", "0x10"],
            "min_intensity": ["2", "nan"],
        }
        cases += [({"input": "H2O", key: value}, key)
                  for key, values in bad_values.items() for value in values]
        cases += [({"kind": "peptide", "mass": value}, "mass") for value in ("inf", "0x1p10")]
        for query, pattern in cases:
            with self.subTest(query=query):
                data = self.assert_refused(query, pattern)
                self.assertEqual(data["status"], "bad query")

    def test_oversized_inputs_are_refused_before_any_work(self):
        self.assert_refused({"input": "C" * 2001}, "longer than 2000")
        self.assert_refused({"input": "C300001"}, "more than 300000 atoms")
        self.assert_refused({"input": "C100000H100000N100001"}, "more than 300000 atoms")
        self.assert_refused({"input": "H2O", "charge": "1", "adduct": "C9999:z+1"}, "adduct")
        self.assert_refused({"input": "H2O", "label": ",".join(["13C=0.5"] * 17)}, "at most 16")
        self.assert_refused({"input": "H2O", "label": "13C=0." + "5" * 80}, "too long")
        # Past the HTTP library's request-line bound: refused, never a crash.
        status, _, _ = self.server.get("/api/distribution?input=" + "C" * 9000)
        self.assertIn(status, (400, 414))
        self.assertEqual(self.server.api({"input": "H2O"})[0], 200)

    def test_queries_that_cannot_be_read_exactly_are_refused(self):
        for raw, pattern in (("input=C6H12O6=H2O", "second '='"), ("input=H2%00O", "NUL"),
                             ("input=H2O&charge=1&adduct=Na%2B%00junk", "NUL"),
                             ("input=H2O&label=15N%3D0.9%00x", "NUL"), ("input=H2O?x", "'\\?'"),
                             ("input=H2O&engine=", "no value"), ("input", "no value"),
                             ("input=H2%4", "escape")):
            with self.subTest(raw=raw):
                status, _, body = self.server.get("/api/distribution?" + raw)
                self.assertEqual(status, 400)
                data = json.loads(body)
                self.assertRegex(data["error"], pattern)
                self.assertEqual(data["status"], "bad query")
        # Messages name the API's keys, never the command line's options.
        for query in ({"kind": "peptide", "mass": "-5", "engine": "nn"},
                      {"kind": "peptide", "input": "PEPTIDE", "engine": "fit"}):
            data = self.assert_refused(query, "mass")
            self.assertNotIn("--", data["error"])
        # The adduct's atoms count toward the bound.
        self.assert_refused({"input": "C100000H100000N99000", "charge": "100",
                             "adduct": "C99H99N99O99:z+1"}, "more than 300000 atoms")

    def test_fixed_engine_messages_are_the_answer_not_printed(self):
        for _ in range(3):
            data = self.assert_refused({"kind": "peptide", "mass": "150000", "engine": "nn"},
                                       "[Mm]ass outside", status=422)
            self.assertNotIn("\n", data["error"])

    def test_ranges_are_not_honoured(self):
        for path in ("/api/distribution?input=H2O", "/app.js"):
            with self.subTest(path=path):
                connection = http.client.HTTPConnection(self.server.host, self.server.port,
                                                        timeout=10)
                connection.request("GET", path, headers={"Range": "bytes=" + "0-," * 300 + "0-"})
                response = connection.getresponse()
                body = response.read()
                connection.close()
                self.assertEqual(response.status, 200)
                self.assertNotIn("multipart", response.getheader("Content-Type"))
                self.assertLess(len(body), 100000)

    def test_other_origins_and_host_names_are_refused(self):
        cases = (({"Host": "[::1].evil.com"}, 403), ({"Host": "localhost."}, 200),
                 ({"Host": "localhost:8080x"}, 403), ({"Host": "127.0.0.1", "Origin": "null"}, 403),
                 ({"Host": "127.0.0.1:1", "Origin": "http://evil.example"}, 403),
                 ({"Host": "127.0.0.1:1", "Origin": "http://127.0.0.1:1"}, 200),
                 ({"Host": "127.0.0.1", "Sec-Fetch-Site": "cross-site"}, 403),
                 ({"Host": "127.0.0.1", "Sec-Fetch-Site": "same-site"}, 403),
                 ({"Host": "127.0.0.1", "Sec-Fetch-Site": "same-origin"}, 200))
        for headers, status in cases:
            with self.subTest(headers=headers):
                connection = http.client.HTTPConnection(self.server.host, self.server.port,
                                                        timeout=10)
                connection.request("GET", "/api/distribution?input=H2O", headers=headers)
                self.assertEqual(connection.getresponse().status, status)
                connection.close()

    def test_bytes_that_are_no_utf8_still_give_json(self):
        status, _, body = self.server.get("/api/distribution?input=C%FF%FE")
        self.assertEqual(status, 400)
        self.assertIn("error", json.loads(body.decode("utf-8")))

    def test_page_files_and_headers(self):
        for path, kind in (("/", "text/html"), ("/index.html", "text/html"),
                           ("/app.js", "text/javascript"), ("/style.css", "text/css"),
                           ("/favicon.svg", "image/svg+xml")):
            with self.subTest(path=path):
                status, headers, body = self.server.get(path)
                self.assertEqual(status, 200)
                self.assertTrue(headers["Content-Type"].startswith(kind))
                policy = headers["Content-Security-Policy"]
                self.assertIn("default-src 'none'", policy)
                self.assertNotIn("unsafe", policy)
                self.assertEqual(headers["X-Content-Type-Options"], "nosniff")
        _, _, page = self.server.get("/")
        page = page.decode("utf-8")
        # Nothing inline that the policy would block, nothing from elsewhere.
        self.assertNotRegex(page, r"<script(?![^>]*\bsrc=)[^>]*>")
        self.assertNotRegex(page, r"\sstyle=|\son[a-z]+=|<style")
        self.assertNotRegex(page, r"(src|href)=\"(https?:)?//")
        for path in ("/missing.js", "/../CMakeLists.txt", "/etc/passwd", "/api/other"):
            self.assertEqual(self.server.get(path)[0], 404, path)

    def test_only_requests_addressed_to_loopback_are_answered(self):
        for host, status in (("127.0.0.1:1", 200), ("localhost", 200), ("[::1]:8080", 200),
                             ("evil.example:8080", 403), ("127.0.0.1.evil.example", 403), ("", 403)):
            with self.subTest(host=host):
                connection = http.client.HTTPConnection(self.server.host, self.server.port,
                                                        timeout=10)
                connection.putrequest("GET", "/api/distribution?input=H2O", skip_host=True)
                if host:
                    connection.putheader("Host", host)
                connection.endheaders()
                self.assertEqual(connection.getresponse().status, status)
                connection.close()

    def test_other_methods_are_refused(self):
        connection = http.client.HTTPConnection(self.server.host, self.server.port, timeout=10)
        connection.request("POST", "/api/distribution?input=H2O", body=b"x" * 10000)
        self.assertGreaterEqual(connection.getresponse().status, 400)
        connection.close()

    def test_concurrent_clients_get_the_results_of_one(self):
        queries = [{"input": "C6H12O6", "charge": "1"}, {"kind": "peptide", "mass": "25000"},
                   {"input": "C254H377N65O75S6", "label": "13C=0.5"}, {"input": "C6H12Q6"}]
        expected = [self.server.api(q) for q in queries]
        failures = []

        def client(index):
            connection = http.client.HTTPConnection(self.server.host, self.server.port,
                                                    timeout=30)
            for i in range(40):
                q = (index + i) % len(queries)
                path = "/api/distribution?" + urllib.parse.urlencode(queries[q])
                status, _, body = self.server.get(path, connection)
                if (status, json.loads(body)) != expected[q]:
                    failures.append((index, i, status))
            connection.close()

        threads = [threading.Thread(target=client, args=(n,)) for n in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(failures, [])


def drip(server, count, idle=False):
    """`count` connections that send a request head one byte at a time (or
    nothing at all) until closed; returns the sockets and a stop event."""
    sockets = [socket.create_connection((server.host, server.port)) for _ in range(count)]
    stop = threading.Event()

    def run():
        head = b"GET /api/distribution?input=H2O HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        for byte in head * 10:
            if stop.wait(0.5):
                return
            if not idle:
                for s in sockets:
                    try:
                        s.send(bytes([byte]))
                    except OSError:
                        pass

    threading.Thread(target=run, daemon=True).start()
    return sockets, stop


class ProcessTest(unittest.TestCase):
    def test_slow_and_idle_clients_do_not_delay_a_request(self):
        with Server(PROGRAM) as server:
            dripping, stop_dripping = drip(server, 64)
            idle, stop_idle = drip(server, 64, idle=True)
            time.sleep(1)
            start = time.monotonic()
            self.assertEqual(server.api({"input": "C6H12O6"})[0], 200)
            self.assertLess(time.monotonic() - start, 1.0)
            stop_dripping.set()
            stop_idle.set()
            for s in dripping + idle:
                s.close()

    def test_sigterm_stops_the_server_whatever_its_clients_do(self):
        with Server(PROGRAM) as server:
            dripping, stop_dripping = drip(server, 4)
            # A client that asks for results and never reads them.
            greedy = socket.create_connection((server.host, server.port))
            greedy.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            greedy.send(b"GET /app.js HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" * 200)
            time.sleep(1)
            start = time.monotonic()
            self.assertEqual(server.stop(signal.SIGTERM), 0)
            self.assertLess(time.monotonic() - start, 2.0)
            stop_dripping.set()
            for s in dripping + [greedy]:
                s.close()

    def test_requests_are_logged_and_nothing_else_is_printed(self):
        with Server(PROGRAM) as server:
            server.api({"input": "H2O", "charge": "1"})
            server.api({"kind": "peptide", "mass": "150000", "engine": "nn"})
            server.process.send_signal(signal.SIGTERM)
            self.assertEqual(server.process.wait(timeout=10), 0)
            self.assertEqual(server.process.stdout.read(), "")  # the fixed engines' messages
            log = server.process.stderr.read().splitlines()
            self.assertEqual(log.pop(), "corvan serve: stopped")
            log.sort(key=lambda line: line.split()[1])  # by status
            self.assertRegex(log[0], r"^\d{4}-\d\d-\d\dT[0-9:]+Z 200 [0-9.]+ ms /api/distribution$")
            self.assertRegex(log[1], r"Z 422 [0-9.]+ ms /api/distribution$")

    @unittest.skipUnless(shutil.which("ss"), "needs ss (iproute2)")
    def test_listen_backlog_is_the_systems(self):
        with open("/proc/sys/net/core/somaxconn") as f:
            somaxconn = f.read().strip()
        with Server(PROGRAM) as server:
            listing = subprocess.run(["ss", "-ltnH", f"sport = :{server.port}"],
                                     capture_output=True, text=True, check=True).stdout
            self.assertEqual(listing.split()[2], somaxconn, listing)

    def test_every_loopback_address_is_checked(self):
        with Server(PROGRAM, "--host", "127.0.0.2") as server:
            connection = http.client.HTTPConnection(server.host, server.port, timeout=10)
            connection.request("GET", "/", headers={"Host": "evil.example"})
            self.assertEqual(connection.getresponse().status, 403)
            connection.close()
        done = subprocess.run([PROGRAM, "serve", "--host", ""], capture_output=True, text=True,
                              timeout=10)
        self.assertEqual(done.returncode, 2)

    def test_default_address_is_loopback_and_signals_stop_cleanly(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sig), Server(PROGRAM) as server:
                self.assertEqual(server.host, "127.0.0.1")
                self.assertEqual(server.api({"input": "H2O"})[0], 200)
                self.assertEqual(server.stop(sig), 0)

    def test_bad_options_and_a_busy_port(self):
        for argv in (["--port", "70000"], ["--port", "x"], ["--threads", "0"], ["extra"],
                     ["--colour", "red"]):
            with self.subTest(argv=argv):
                done = subprocess.run([PROGRAM, "serve", *argv], capture_output=True, text=True,
                                      timeout=10)
                self.assertEqual(done.returncode, 2)
                self.assertTrue(done.stderr.startswith("corvan serve: "))
        with Server(PROGRAM) as server:
            done = subprocess.run([PROGRAM, "serve", "--port", str(server.port)],
                                  capture_output=True, text=True, timeout=10)
            self.assertEqual(done.returncode, 3)
            self.assertRegex(done.stderr, re.escape(f"cannot listen on {server.url}/"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
