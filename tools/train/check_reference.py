"""Check the numpy reference engine against the built library.

    /usr/bin/python3 tools/train/check_reference.py [path/to/libcorvan.so]

Compares fft_list_to_dist(fftlist, N, out) for a few integer compositions
(C, H, N, O, S) at N = 64, 128 and 1024 with reference.distribution_int
and reference.distribution; exits non-zero on a difference above 1e-6.
"""
import ctypes
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference as R   # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
COMPOSITIONS = [
    (0, 2, 0, 1, 0),            # water
    (1, 0, 0, 0, 0),
    (6, 12, 0, 6, 0),
    (44, 70, 12, 15, 1),
    (250, 400, 70, 75, 3),
    (1000, 1600, 280, 300, 10),
    (2500, 4000, 690, 740, 22),
    (0, 0, 0, 0, 40),
]


def main():
    lib_path = sys.argv[1] if len(sys.argv) > 1 else \
        os.path.join(ROOT, "build", "libcorvan.so")
    lib = ctypes.CDLL(lib_path)
    f = lib.fft_list_to_dist
    f.restype = ctypes.c_float
    f.argtypes = [ctypes.POINTER(ctypes.c_int), ctypes.c_int,
                  ctypes.POINTER(ctypes.c_float)]
    worst = 0.0
    for n in (64, 128, 1024):
        for comp in COMPOSITIONS:
            arr = (ctypes.c_int * 5)(*comp)
            out = (ctypes.c_float * n)()
            f(arr, n, out)
            got = np.array(out[:], dtype=np.float64)
            ref_int = R.distribution_int(comp, n)
            ref_log = R.distribution(np.array([comp]), n)[0]
            d = max(np.abs(got - ref_int).max(), np.abs(got - ref_log).max())
            worst = max(worst, d)
            print("N=%4d %-28s max|diff| %.2e" % (n, comp, d))
    print("worst difference %.2e" % worst)
    if worst > 1e-6:
        sys.exit(1)


if __name__ == "__main__":
    main()
