"""Builds the corvan wheel: the Python package with libcorvan.so inside.

A PEP 517 build backend kept in the source tree, so that
``pip install ./python`` needs nothing from a package index: it configures
and builds the C library with CMake (from the repository that holds this
folder), copies ``libcorvan.so`` into the package and writes the wheel with
the standard library alone.

``--config-settings library=system`` builds a pure-Python wheel instead,
which loads an installed libcorvan.so (the two-step route: build and install
the library with CMake first); ``library=/path/to/libcorvan.so`` bundles a
library built already.
"""

from __future__ import annotations

import base64
import hashlib
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import zipfile
from pathlib import Path

PACKAGE = "corvan"  # the import name; the distribution name is in pyproject.toml
PYTHON_DIR = Path(__file__).resolve().parent.parent
REPOSITORY = PYTHON_DIR.parent
LIBRARY_FILE = "libcorvan.so"


def _version() -> str:
    header = (REPOSITORY / "include" / "corvan.h").read_text(encoding="utf-8")
    found = re.search(r'^#define CORVAN_VERSION_STRING "([0-9.]+)"', header, re.MULTILINE)
    if not found:
        raise RuntimeError("include/corvan.h defines no CORVAN_VERSION_STRING")
    return found.group(1)


def _project() -> dict:
    try:
        import tomllib
    except ImportError as error:  # Python < 3.11
        raise RuntimeError("building the corvan wheel needs Python 3.11 or later") from error
    with open(PYTHON_DIR / "pyproject.toml", "rb") as file:
        return tomllib.load(file)["project"]


def _metadata(version: str) -> str:
    project = _project()
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {project['name']}",
        f"Version: {version}",
        f"Summary: {project['description']}",
        f"License: {project['license']['text']}",
        f"Requires-Python: {project['requires-python']}",
    ]
    lines += [f"Classifier: {classifier}" for classifier in project.get("classifiers", [])]
    for extra, requirements in project.get("optional-dependencies", {}).items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f"Requires-Dist: {req}; extra == '{extra}'" for req in requirements]
    lines.append("Description-Content-Type: text/markdown")
    readme = (PYTHON_DIR / project["readme"]).read_text(encoding="utf-8")
    return "\n".join(lines) + "\n\n" + readme


def _library_choice(config_settings) -> str:
    """"bundled" (build it), "system" (no copy) or the path of a built library."""
    choice = (config_settings or {}).get("library", "bundled")
    if choice not in ("bundled", "system") and not Path(choice).is_file():
        raise ValueError(f"library={choice!r}: choose bundled, system or a libcorvan.so file")
    return choice


def _build_library(work: Path) -> Path:
    """Configures and builds the shared library only; returns its real file."""
    build = work / "cmake-build"
    configure = [
        "cmake", "-S", str(REPOSITORY), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
        "-DCORVAN_BUILD_TESTS=OFF", "-DCORVAN_BUILD_CLI=OFF",
    ]
    jobs = str(os.cpu_count() or 1)
    for command in (configure, ["cmake", "--build", str(build), "--target", "corvan", "-j", jobs]):
        print("corvan wheel:", " ".join(command), file=sys.stderr, flush=True)
        subprocess.run(command, check=True, stdout=sys.stderr)
    return (build / LIBRARY_FILE).resolve()


def _platform_tag() -> str:
    return re.sub(r"[^A-Za-z0-9]", "_", sysconfig.get_platform())


def _record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _package_files():
    source = PYTHON_DIR / PACKAGE
    for path in sorted(source.rglob("*")):
        if path.is_file() and "__pycache__" not in path.parts and path.suffix != ".pyc":
            yield f"{PACKAGE}/{path.relative_to(source).as_posix()}", path.read_bytes()


def _write_wheel(directory: Path, version: str, tag: str, library) -> str:
    name = f"{PACKAGE}-{version}-{tag}.whl"
    dist_info = f"{PACKAGE}-{version}.dist-info"
    files = list(_package_files())
    if library is not None:
        files.append((f"{PACKAGE}/{LIBRARY_FILE}", library.read_bytes()))
    pure = "true" if library is None else "false"
    files += [
        (f"{dist_info}/METADATA", _metadata(version).encode()),
        (f"{dist_info}/WHEEL", (f"Wheel-Version: 1.0\nGenerator: corvan_wheel\n"
                                f"Root-Is-Purelib: {pure}\nTag: {tag}\n").encode()),
    ]
    record = [_record_line(file_name, data) for file_name, data in files]
    record.append(f"{dist_info}/RECORD,,")
    files.append((f"{dist_info}/RECORD", ("\n".join(record) + "\n").encode()))
    with zipfile.ZipFile(directory / name, "w", zipfile.ZIP_DEFLATED) as wheel:
        for file_name, data in files:
            info = zipfile.ZipInfo(file_name, date_time=(2020, 1, 1, 0, 0, 0))
            info.external_attr = (0o755 if file_name.endswith(".so") else 0o644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(info, data)
    return name


def get_requires_for_build_wheel(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    choice = _library_choice(config_settings)
    if choice == "system":
        return _write_wheel(Path(wheel_directory), version, "py3-none-any", None)
    native_tag = f"py3-none-{_platform_tag()}"
    if choice != "bundled":
        return _write_wheel(Path(wheel_directory), version, native_tag, Path(choice).resolve())
    if shutil.which("cmake") is None:
        raise RuntimeError("building the bundled libcorvan.so needs cmake (apt-get install cmake)")
    with tempfile.TemporaryDirectory(prefix="corvan-wheel-") as work:
        library = _build_library(Path(work))
        return _write_wheel(Path(wheel_directory), version, native_tag, library)
