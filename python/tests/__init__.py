"""unittest suite of the corvan Python package (run with CORVAN_LIBRARY set)."""
