"""GET /api/fragments of `corvan serve` (the page's fragment panel): the
command line's JSON object, and the library's refusals with its message."""

import json
import os
import subprocess
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_support import Server, program_path  # noqa: E402

PROGRAM = program_path()


def fragments(server, query):
    status, _, body = server.get("/api/fragments?" + urllib.parse.urlencode(query))
    return status, json.loads(body)


class FragmentsApiTest(unittest.TestCase):
    def test_same_object_as_the_command_line_and_its_refusals(self):
        with Server(PROGRAM) as server:
            for argv, query in (
                    (["PEPTIDEK/2", "--charges", "1-2", "--losses", "--isolation", "M+1"],
                     {"input": "PEPTIDEK/2", "charges": "1-2", "losses": "yes",
                      "isolation": "M+1"}),
                    (["ACGU", "--kind", "rna"], {"kind": "rna", "input": "ACGU"})):
                with self.subTest(argv=argv):
                    status, data = fragments(server, query)
                    self.assertEqual(status, 200, data)
                    cli = subprocess.run([PROGRAM, "fragments", *argv, "--format", "json"],
                                         capture_output=True, text=True, check=True)
                    self.assertEqual(data, json.loads(cli.stdout))
            # The library's refusal: its message and the byte it names.
            status, data = fragments(server, {"input": "PEPTX[Phospho]DE"})
            self.assertEqual(status, 400, data)
            cli = subprocess.run([PROGRAM, "fragments", "PEPTX[Phospho]DE"], capture_output=True,
                                 text=True)
            self.assertIn(data["error"], cli.stderr)
            self.assertEqual(data["position"], 4)
            status, data = fragments(server, {"input": "PEPTIDEK" * 20, "charges": "1-2"})
            self.assertEqual(status, 200, data)  # at most 160 x 2 series x 2 charges
            status, data = fragments(server, {"input": "PEPTIDEK" * 20, "charges": "1-7"})
            self.assertEqual(status, 422, data)  # 160 x 2 x 7 = 2240: more than 2000
            for query in ({"input": "P" * 2001},
                          {"input": "PEPTIDE", "isolation": "M", "window": "1:2"},
                          {"input": "PEPTIDE", "isolation": "M+1;M+2"},
                          {"input": "PEPTIDE", "ion": "b"}):
                with self.subTest(query=query):
                    status, data = fragments(server, query)
                    self.assertEqual(status, 400, data)
                    self.assertIsNone(data["position"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
