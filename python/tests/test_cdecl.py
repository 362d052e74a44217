"""C declarations read into ctypes types."""

import ctypes
import unittest

from corvan._cdecl import fields, prototypes


class CDeclarationTest(unittest.TestCase):
    def test_fields_read_pointers_arrays_and_named_types(self):
        class Inner(ctypes.Structure):
            _fields_ = [("x", ctypes.c_int)]

        self.assertEqual(
            fields("const char *name; void *data; double **rows; char symbol[8]; Inner in; size_t n",
                   Inner=Inner),
            [("name", ctypes.c_char_p), ("data", ctypes.c_void_p),
             ("rows", ctypes.POINTER(ctypes.POINTER(ctypes.c_double))),
             ("symbol", ctypes.c_char * 8), ("in", Inner), ("n", ctypes.c_size_t)])

    def test_prototypes_read_results_and_arguments(self):
        self.assertEqual(
            prototypes("/* a */ void f(int *, float); char *g(void); unsigned h(double d)"),
            {"f": (None, [ctypes.POINTER(ctypes.c_int), ctypes.c_float]),
             "g": (ctypes.c_char_p, []), "h": (ctypes.c_uint, [ctypes.c_double])})

    def test_unknown_types_are_refused(self):
        for text in ("struct x y", "Thing t", "int a b c"):
            with self.assertRaises(ValueError):
                fields(text)


if __name__ == "__main__":
    unittest.main()
