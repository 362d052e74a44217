# The Python API reference (scripts/docs.sh runs sphinx-build on this folder).
import os
import sys

sys.path.insert(0, os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "..", "python")))
import corvan  # noqa: E402  (needs CORVAN_LIBRARY or an installed library)

project = "corvan"
author = "the corvan developers"
copyright = "the corvan developers, GPL-2.0-or-later"
release = version = corvan.__version__
extensions = ["sphinx.ext.autodoc", "sphinx.ext.napoleon"]  # docstrings use Args:/Returns:
autodoc_member_order = "bysource"
autodoc_typehints = "description"
html_theme = "alabaster"
exclude_patterns = ["_build"]
