"""Weight sets, inference and the custom-network runner."""

import ctypes
import math
import os
import struct
import unittest

import corvan
from tests.support import CorvanTestCase, temporary_directory, values, write_file

INPUTS, UNITS = 5, 8


def parameters(count):
    """Deterministic small parameters in blob order."""
    return [math.sin(0.7 * i) * 0.5 for i in range(count)]


def reference_network(params, inputs, units, x):
    """Pure-Python three-layer network: softsign, softsign, sigmoid."""
    f = struct.unpack(f"<{len(params)}f", struct.pack(f"<{len(params)}f", *params))
    pos = 0

    def take(count):
        nonlocal pos
        chunk = f[pos : pos + count]
        pos += count
        return chunk

    w1, b1 = take(units * inputs), take(units)
    w2, b2 = take(units * units), take(units)
    w3, b3 = take(units * units), take(units)

    def layer(w, b, v, cols, act):
        return [act(b[r] + sum(w[r * cols + c] * v[c] for c in range(cols))) for r in range(units)]

    softsign = lambda z: z / (1 + abs(z))  # noqa: E731
    sigmoid = lambda z: 1 / (1 + math.exp(-z))  # noqa: E731
    h1 = layer(w1, b1, x, inputs, softsign)
    h2 = layer(w2, b2, h1, units, softsign)
    return layer(w3, b3, h2, units, sigmoid)


class NetworkTest(CorvanTestCase):
    def test_sizes(self):
        with corvan.Network(INPUTS, UNITS) as net:
            self.assertEqual(net.total_count, 192)
            self.assertEqual(net.blob_size, 768)
            self.assertEqual(net.input_size, 5)
            self.assertEqual(net.hidden_sizes, (8, 8))
            self.assertEqual(net.output_size, 8)
            self.assertEqual(net.weights.w1_count, 40)
            self.assertEqual(set(net.parameters()), {0.0})
        self.assertTrue(net.closed)
        with self.assertRaises(ValueError):
            net.run([0.0] * 5)
        net.close()  # idempotent

    def test_struct_layout(self):
        names = [name for name, _ in corvan.NetWeights._fields_]
        self.assertEqual(
            names,
            ["w1", "b1", "w2", "b2", "w3", "b3", "input_size", "hidden1_size", "hidden2_size",
             "output_size", "w1_count", "w2_count", "w3_count", "total_count"],
        )
        self.assertEqual(ctypes.sizeof(corvan.NetWeights), 6 * ctypes.sizeof(ctypes.c_void_p) + 32)

    def test_file_round_trip(self):
        params = parameters(192)
        blob = struct.pack("<192f", *params)
        x = corvan.mass_features(1500.0)
        with temporary_directory() as directory:
            path = write_file(directory, "net.bin", blob)
            self.assertEqual(os.path.getsize(path), 768)
            with corvan.Network.from_file(path, INPUTS, UNITS) as net:
                self.assertEqual(net.to_blob(), blob)
                out = net.run(x)
                saved = os.path.join(directory, "copy.bin")
                net.save(saved)
            with open(saved, "rb") as stream:
                self.assertEqual(stream.read(), blob)
            expected = reference_network(params, INPUTS, UNITS, x)
            self.assertAllClose(out, expected, tol=1e-5)

            # the runner: same network, outputs scaled to peak 1 and placed
            placed, peak = corvan.model_from_file(x, path, UNITS, 3, return_peak=True)
            top = max(expected[:5])
            self.assertAlmostEqual(peak, top, places=5)
            self.assertEqual(values(placed[:3]), [0.0] * 3)
            self.assertAllClose(placed[3:], [v / top for v in expected[:5]], tol=1e-5)

    def test_blob_and_parameters(self):
        params = parameters(192)
        with corvan.Network.from_parameters(params, INPUTS, UNITS) as a:
            with corvan.Network.from_blob(a.to_blob(), INPUTS, UNITS) as b:
                self.assertEqual(a.parameters(), b.parameters())
                self.assertAllClose(a.run([1, 2, 3, 4, 5]), b.run([1, 2, 3, 4, 5]), tol=0)
            with self.assertRaises(ValueError):
                a.load_blob(b"\0" * 767)
            with self.assertRaises(ValueError):
                a.run([0.0] * 4)

    def test_wrong_file(self):
        with temporary_directory() as directory:
            short = write_file(directory, "short.bin", b"\0" * 767)
            with self.assertRaises(corvan.CorvanError):
                corvan.Network.from_file(short, INPUTS, UNITS)
            with self.assertRaises(corvan.CorvanError) as context:
                corvan.model_from_file([0.5] * 5, short, UNITS)
            self.assertIn("768", str(context.exception))
            with self.assertRaises(corvan.CorvanError):
                corvan.Network.from_file(os.path.join(directory, "missing.bin"), INPUTS, UNITS)

    def test_embedded_network(self):
        blob = corvan.embedded_network("corvan_rnaveragine_model32")
        with corvan.Network.from_blob(blob, 5, 32) as net:
            raw = values(net.run(corvan.mass_features(5000.0)))
        expected = [v / max(raw) for v in raw]
        self.assertAllClose(corvan.rna(mass=5000.0, engine="nn", points=32), expected, tol=1e-6)

    def test_invalid_sizes(self):
        with self.assertRaises(ValueError):
            corvan.Network(0, 8)
        with self.assertRaises(corvan.CorvanError):
            corvan.Network(2**30, 2**10)

    def test_activations(self):
        self.assertEqual(corvan.softsign(-3.0), -0.75)
        self.assertEqual(corvan.sigmoid(0.0), 0.5)

    def test_runner_arguments(self):
        with self.assertRaises(ValueError):
            corvan.model_from_file([], "x.bin", 8)
        with self.assertRaises(ValueError):
            corvan.model_from_file([1.0], "", 8)
        with self.assertRaises(ValueError):
            corvan.model_from_file([1.0], "x.bin", 8, 8)


if __name__ == "__main__":
    unittest.main()
