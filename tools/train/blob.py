"""Reading, writing, checking and running the raw float32 weight blobs."""
import os

import numpy as np

from netdefs import NETS, n_floats

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
MODEL_DIR = os.path.join(ROOT, "src", "models")
LIMIT = 20.0


def path_of(name, model_dir=MODEL_DIR):
    return os.path.join(model_dir, name + ".bin")


def pack(name, w1, b1, w2, b2, w3, b3):
    """Concatenate parameters (w1,b1,w2,b2,w3,b3) as float32 and apply the
    fixed first three / last values exactly."""
    net = NETS[name]
    flat = np.concatenate([np.asarray(a, dtype=np.float32).ravel()
                           for a in (w1, b1, w2, b2, w3, b3)])
    flat[:3] = np.array(net["first3"], dtype=np.float32)
    flat[-1] = np.float32(net["last"])
    assert flat.size == n_floats(net)
    return flat


def unpack(name, flat):
    net = NETS[name]
    i, m = net["I"], net["m"]
    out, pos = [], 0
    for shape in ((m, i), (m,), (m, m), (m,), (m, m), (m,)):
        size = int(np.prod(shape))
        out.append(flat[pos:pos + size].reshape(shape))
        pos += size
    return out


def write(name, flat, model_dir=MODEL_DIR):
    os.makedirs(model_dir, exist_ok=True)
    p = path_of(name, model_dir)
    flat.astype("<f4").tofile(p)
    verify(name, model_dir)
    return p


def read(name, model_dir=MODEL_DIR):
    return np.fromfile(path_of(name, model_dir), dtype="<f4").astype(np.float32)


def verify(name, model_dir=MODEL_DIR):
    """Size, fixed values (bit-exact) and parameter bounds of a blob."""
    net = NETS[name]
    p = path_of(name, model_dir)
    size = os.path.getsize(p)
    want = 4 * n_floats(net)
    if size != want:
        raise ValueError("%s: %d bytes, expected %d" % (p, size, want))
    flat = read(name, model_dir)
    first = np.array(net["first3"], dtype=np.float32)
    last = np.float32(net["last"])
    if flat[:3].tobytes() != first.tobytes() or \
            flat[-1:].tobytes() != np.array([last]).tobytes():
        raise ValueError("%s: fixed values differ" % p)
    if not np.all(np.isfinite(flat)) or np.abs(flat).max() >= LIMIT:
        raise ValueError("%s: parameter out of bounds" % p)
    return True


def _softsign(x):
    return x / (np.float32(1) + np.abs(x))


def forward(name, flat, x):
    """float32 forward pass exactly as the library runs it: (B, I) -> (B, m)."""
    w1, b1, w2, b2, w3, b3 = unpack(name, flat)
    x = np.asarray(x, dtype=np.float32)
    h = _softsign(x @ w1.T + b1)
    h = _softsign(h @ w2.T + b2)
    z = h @ w3.T + b3
    return (np.float32(1) / (np.float32(1) + np.exp(-z))).astype(np.float32)


def errors(out, target):
    """Per-molecule max |out/max(out) - target/max(target)|."""
    o = out / np.maximum(out.max(axis=1, keepdims=True), np.float32(1e-30))
    t = target / target.max(axis=1, keepdims=True)
    return np.abs(o - t).max(axis=1)
