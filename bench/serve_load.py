"""Load benchmark of `corvan serve`: N client processes, each sending M
requests to GET /api/distribution over one keep-alive connection (or a new
connection per request), a mix of small molecules, peptide ions, labelled
molecules, a protein by mass, the nn and brain engines and refused inputs. Reports requests per
second and latency percentiles; exit status 1 if any answer was wrong.

    CORVAN_CLI=build/cli/corvan /usr/bin/python3 bench/serve_load.py
    /usr/bin/python3 bench/serve_load.py --url http://127.0.0.1:8080 --clients 8 --requests 500
"""

import argparse
import http.client
import json
import multiprocessing
import os
import sys
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from serve_support import Server, program_path  # noqa: E402

# (query, expected HTTP status)
MIX = [
    ({"input": "C6H12O6"}, 200),
    ({"input": "C50H71N13O12", "charge": "2"}, 200),
    ({"input": "C50H71N13O12", "charge": "2", "label": "15N=0.98"}, 200),
    ({"input": "C44[13C6]H71N11[15N2]O12", "charge": "3"}, 200),
    ({"input": "C254H377N65O75S6", "charge": "5", "adduct": "Na+"}, 200),
    ({"kind": "peptide", "mass": "1500.5", "charge": "2"}, 200),
    ({"kind": "peptide", "mass": "50000", "charge": "30", "min_intensity": "0.001"}, 200),
    ({"kind": "rna", "mass": "8000", "charge": "-4"}, 200),
    ({"kind": "peptide", "input": "EMEVEESPEK", "engine": "nn", "points": "8"}, 200),
    ({"kind": "rna", "input": "ACGUACGUACGU", "engine": "brain", "points": "16"}, 200),
    ({"input": "C6H12Q6"}, 400),
    ({"input": "H2O", "points": "-1"}, 400),
]
PATHS = ["/api/distribution?" + urllib.parse.urlencode(q) for q, _ in MIX]


def client(args):
    host, port, index, requests, reuse = args
    latencies, failures = [], []
    connection = None
    for i in range(requests):
        which = (index * 7 + i) % len(MIX)
        if connection is None:
            connection = http.client.HTTPConnection(host, port, timeout=30)
        start = time.perf_counter()
        try:
            connection.request("GET", PATHS[which])
            response = connection.getresponse()
            body = response.read()
            ok = response.status == MIX[which][1] and (
                "points" in json.loads(body) if response.status == 200
                else "error" in json.loads(body))
        except (OSError, http.client.HTTPException, ValueError) as error:
            ok, response = False, None
            failures.append(f"{PATHS[which]}: {error!r}")
            connection.close()
            connection = None
        latencies.append(time.perf_counter() - start)
        if not ok and response is not None:
            failures.append(f"{PATHS[which]}: HTTP {response.status}")
        if not reuse and connection is not None:
            connection.close()
            connection = None
    if connection is not None:
        connection.close()
    return latencies, failures


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def run(host, port, clients, requests, reuse):
    jobs = [(host, port, n, requests, reuse) for n in range(clients)]
    with multiprocessing.Pool(clients) as pool:
        start = time.perf_counter()
        results = pool.map(client, jobs)
        wall = time.perf_counter() - start
    latencies = [t for r in results for t in r[0]]
    failures = [f for r in results for f in r[1]]
    total = len(latencies)
    print(f"{clients} clients x {requests} requests "
          f"({'keep-alive' if reuse else 'new connection each'}): {total} requests in "
          f"{wall:.2f} s = {total / wall:.0f} requests/s; latency p50 "
          f"{percentile(latencies, 0.5) * 1e3:.2f} ms, p99 {percentile(latencies, 0.99) * 1e3:.2f} "
          f"ms, max {max(latencies) * 1e3:.2f} ms; failures {len(failures)}")
    for failure in failures[:10]:
        print("  ", failure)
    return not failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--url", help="a running server (default: start one on a free port)")
    parser.add_argument("--clients", type=int, default=8)
    parser.add_argument("--requests", type=int, default=500, help="per client")
    parser.add_argument("--threads", type=int, default=8, help="server threads (own server)")
    parser.add_argument("--new-connections", action="store_true",
                        help="one TCP connection per request instead of keep-alive")
    args = parser.parse_args()
    if args.url:
        parts = urllib.parse.urlsplit(args.url)
        ok = run(parts.hostname, parts.port or 80, args.clients, args.requests,
                 not args.new_connections)
    else:
        with Server(program_path(), "--threads", str(args.threads)) as server:
            ok = run(server.host, server.port, args.clients, args.requests,
                     not args.new_connections)
            ok = server.stop() == 0 and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
