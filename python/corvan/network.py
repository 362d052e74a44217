"""Weight sets of the library's three-layer networks.

:class:`Network` owns one ``NetWeights`` record made by ``SetupWeights``
and releases it with ``FreeCorvanWeights`` (on :meth:`Network.close`, at the
end of a ``with`` block, or when garbage collected).
"""

from __future__ import annotations

import ctypes
import os
import struct
from typing import Any, Iterable, Sequence

from . import _args
from ._arrays import float_buffer, float_input, to_result
from ._errors import CorvanError
from ._library import NetWeights, function

__all__ = ["Network", "NetWeights", "softsign", "sigmoid"]

# (array field, count field) in weight-blob order.
_LAYOUT = (
    ("w1", "w1_count"),
    ("b1", "hidden1_size"),
    ("w2", "w2_count"),
    ("b2", "hidden2_size"),
    ("w3", "w3_count"),
    ("b3", "output_size"),
)


def softsign(x: float) -> float:
    """``x / (1 + |x|)``, computed by the library in single precision."""
    return function("softsign")(float(x))


def sigmoid(x: float) -> float:
    """1 / (1 + exp(-x)), computed by the library in single precision."""
    return function("sigmoid")(float(x))


def _is_complete(weights: NetWeights) -> bool:
    return all(bool(getattr(weights, field)) for field, _ in _LAYOUT)


class Network:
    """A network with `input_size` inputs and `units` units in each of its three layers.

    The parameters start at zero; fill them with :meth:`load_blob`,
    :meth:`load_file` or :meth:`from_file`. Use as a context manager::

        with corvan.Network(5, 8) as net:
            net.load_file("weights.bin")
            heights = net.run(corvan.mass_features(1500.0))
    """

    def __init__(self, input_size: int, units: int) -> None:
        inputs = _args.check_int(input_size, "input_size", 1)
        size = _args.check_int(units, "units", 1)
        self._weights = function("SetupWeights")(inputs, size)
        if not _is_complete(self._weights):
            self._weights = NetWeights()
            raise CorvanError(
                f"SetupWeights({inputs}, {size}) failed: sizes too large or out of memory"
            )

    # -- construction helpers -------------------------------------------------

    @classmethod
    def _loaded(cls, input_size: int, units: int, load: Any, source: Any) -> "Network":
        """A new network filled by ``load(network, source)``; closed again
        when loading fails, so that no weights are left behind."""
        network = cls(input_size, units)
        try:
            load(network, source)
        except BaseException:
            network.close()
            raise
        return network

    @classmethod
    def from_file(cls, path: _args.PathLike, input_size: int, units: int) -> "Network":
        """A network whose parameters are read from a weight file."""
        return cls._loaded(input_size, units, cls.load_file, path)

    @classmethod
    def from_blob(cls, blob: bytes, input_size: int, units: int) -> "Network":
        """A network whose parameters are taken from a weight blob in memory."""
        return cls._loaded(input_size, units, cls.load_blob, blob)

    @classmethod
    def from_parameters(
        cls, parameters: Iterable[float], input_size: int, units: int
    ) -> "Network":
        """A network from its parameters in blob order (w1, b1, w2, b2, w3, b3)."""
        values = [float(v) for v in parameters]
        return cls.from_blob(struct.pack(f"<{len(values)}f", *values), input_size, units)

    # -- properties ---------------------------------------------------------

    @property
    def closed(self) -> bool:
        return not _is_complete(self._weights)

    @property
    def weights(self) -> NetWeights:
        """The underlying ``NetWeights`` record (valid until :meth:`close`)."""
        self._check_open()
        return self._weights

    @property
    def input_size(self) -> int:
        return self._weights.input_size

    @property
    def hidden_sizes(self) -> "tuple[int, int]":
        return (self._weights.hidden1_size, self._weights.hidden2_size)

    @property
    def output_size(self) -> int:
        return self._weights.output_size

    @property
    def total_count(self) -> int:
        """Number of float parameters."""
        return self._weights.total_count

    @property
    def blob_size(self) -> int:
        """Bytes of a weight blob or weight file for this network."""
        return 4 * self._weights.total_count

    # -- loading and saving -------------------------------------------------

    def _check_open(self) -> None:
        if self.closed:
            raise ValueError("the network is closed")

    def load_blob(self, blob: Any) -> None:
        """Fills the parameters from a weight blob (little-endian float32, blob order)."""
        self._check_open()
        data = bytes(blob)
        if len(data) != self.blob_size:
            raise ValueError(
                f"a weight blob of this network has {self.blob_size} bytes, got {len(data)}"
            )
        buffer = ctypes.create_string_buffer(data, len(data))
        result = function("LoadWeights")(self._weights, buffer)
        if not _is_complete(result):
            self._weights = NetWeights()
            raise CorvanError("LoadWeights failed; the weight set was released")
        self._weights = result

    def load_file(self, path: _args.PathLike) -> None:
        """Fills the parameters from a weight file of exactly :attr:`blob_size` bytes."""
        self._check_open()
        name = _args.encode_path(path)
        if function("LoadWeightsFromFile")(self._weights, name) != 0:
            raise CorvanError(
                f"LoadWeightsFromFile: {os.fsdecode(name)!r} is missing, unreadable or "
                f"not {self.blob_size} bytes long"
            )

    def to_blob(self) -> bytes:
        """The parameters as a weight blob (what :meth:`save` writes)."""
        self._check_open()
        parts = []
        for field, count_field in _LAYOUT:
            count = getattr(self._weights, count_field)
            parts.append(ctypes.string_at(getattr(self._weights, field), 4 * count))
        return b"".join(parts)

    def parameters(self) -> Sequence[float]:
        """The parameters in blob order as floats."""
        blob = self.to_blob()
        return struct.unpack(f"<{len(blob) // 4}f", blob)

    def save(self, path: _args.PathLike) -> None:
        """Writes the parameters as a weight file."""
        with open(path, "wb") as stream:
            stream.write(self.to_blob())

    # -- inference ----------------------------------------------------------

    def run(self, inputs: Iterable[float]) -> Any:
        """Runs the network on `inputs`; returns the raw outputs (not scaled)."""
        self._check_open()
        vector = float_input(inputs, self.input_size, "inputs")
        output = float_buffer(self.output_size)
        if function("neural_net")(vector, output, self._weights) != 0:
            raise CorvanError("neural_net failed (incomplete weight set or out of memory)")
        return to_result(output)

    # -- lifetime -------------------------------------------------------------

    def close(self) -> None:
        """Releases the weight set; further use raises ValueError. Idempotent."""
        weights = getattr(self, "_weights", None)
        if weights is not None and any(bool(getattr(weights, f)) for f, _ in _LAYOUT):
            function("FreeCorvanWeights")(weights)
        self._weights = NetWeights()

    def __enter__(self) -> "Network":
        self._check_open()
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:  # interpreter shutdown
            pass

    def __repr__(self) -> str:
        if self.closed:
            return "<corvan.Network closed>"
        return (
            f"<corvan.Network inputs={self.input_size} hidden={self.hidden_sizes} "
            f"outputs={self.output_size}>"
        )
