"""The Python module's copy of the header's numbers is the header's."""

from __future__ import annotations

import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
HEADER = ROOT / "include" / "corvan.h"


@unittest.skipUnless(HEADER.exists(), "needs the source tree's include/corvan.h")
class ConstantsTest(unittest.TestCase):
    def test_generated_module_matches_the_header(self):
        sys.path.insert(0, str(ROOT / "tools"))
        try:
            import gen_python_constants
        finally:
            sys.path.pop(0)
        committed = (ROOT / "python" / "corvan" / "_constants.py").read_text(encoding="utf-8")
        self.assertEqual(committed, gen_python_constants.render(HEADER.read_text(encoding="utf-8")),
                         "run python3 tools/gen_python_constants.py")

    def test_the_loaded_library_is_the_header_version(self):
        import corvan
        from corvan import _constants as c

        self.assertEqual(corvan.__version__, c.CORVAN_VERSION_STRING)


if __name__ == "__main__":
    unittest.main()
