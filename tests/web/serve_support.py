"""Starts `corvan serve` on a free loopback port for the web tests, the
screenshot tool and the load benchmark, and talks HTTP to it without any
proxy from the environment."""

import http.client
import json
import os
import re
import signal
import subprocess
import urllib.parse


class Server:
    """`corvan serve --port 0` as a context manager; .url is its address."""

    def __init__(self, program, *arguments):
        self.program = program
        self.arguments = arguments
        self.process = None
        self.host = None
        self.port = None

    def __enter__(self):
        self.process = subprocess.Popen(
            [self.program, "serve", "--port", "0", *self.arguments],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        match = re.search(r"http://([0-9.]+):([0-9]+)/", line)
        if not match:
            self.process.kill()
            raise RuntimeError(f"corvan serve did not start: {line!r} "
                               f"{self.process.stderr.read()!r}")
        self.host, self.port = match.group(1), int(match.group(2))
        return self

    @property
    def url(self):
        return f"http://{self.host}:{self.port}"

    def stop(self, sig=signal.SIGINT, timeout=10):
        """Sends the signal and returns the exit status."""
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            return self.process.wait(timeout=timeout)
        finally:
            self.process.stdout.close()
            self.process.stderr.close()

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.stop()
        return False

    def get(self, path, connection=None):
        """(status, headers dict, body bytes) of GET path."""
        own = connection is None
        connection = connection or http.client.HTTPConnection(self.host, self.port, timeout=30)
        try:
            connection.request("GET", path)
            response = connection.getresponse()
            body = response.read()
            return response.status, dict(response.getheaders()), body
        finally:
            if own:
                connection.close()

    def api(self, query):
        """(status, parsed JSON) of /api/distribution with a dict or list of pairs."""
        status, _, body = self.get("/api/distribution?" + urllib.parse.urlencode(query))
        return status, json.loads(body)


def program_path():
    program = os.environ.get("CORVAN_CLI")
    if not program or not os.access(program, os.X_OK):
        raise SystemExit("CORVAN_CLI must name the built corvan program")
    return program
