"""GET /api/match of `corvan serve` (the page's measured-peaks panel): the
library's match, and its refusals with the command line's messages."""

import json
import os
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_support import Server, program_path  # noqa: E402

PROGRAM = program_path()
# [M+2H]2+ of PEPTIDEK, M to M+3, heights of the library's envelope, listed
# out of order as a pasted list may be.
PEAKS = [(465.23623, 0.4793), (464.73474, 1.0), (466.23879, 0.033), (465.73752, 0.1453)]


def match(server, query):
    status, _, body = server.get("/api/match?" + urllib.parse.urlencode(query))
    return status, json.loads(body)


class MatchApiTest(unittest.TestCase):
    def test_match_and_refusals_as_on_the_command_line(self):
        peaks = ",".join(f"{mz}:{i}" for mz, i in PEAKS)
        with Server(PROGRAM) as server:
            status, data = match(server, {"kind": "peptide", "input": "PEPTIDEK", "peaks": peaks})
            self.assertEqual(status, 200, data)
            self.assertEqual(data["charge"], 2)
            self.assertEqual(data["peaks"][0]["observed_mz"], 464.73474)
            self.assertGreater(data["cosine"], 0.99999)
            negative = peaks.replace(":0.1453", ":-1")
            status, data = match(server, {"kind": "peptide", "input": "PEPTIDEK/2", "peaks": negative})
            self.assertEqual(status, 400)
        with tempfile.NamedTemporaryFile("w", suffix=".csv") as listed:
            listed.write("\n".join(f"{mz},{i}" for mz, i in PEAKS).replace(",0.1453", ",-1"))
            listed.flush()
            cli = subprocess.run([PROGRAM, "match", listed.name, "--peptide", "PEPTIDEK/2"],
                                 capture_output=True, text=True)
        self.assertIn(data["error"], cli.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
