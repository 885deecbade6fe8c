#!/usr/bin/python3
"""Load benchmark of the synchronisation service under gunicorn (4 worker
processes): 1,000 accounts, 50 clients at once, each request a download or
an upload of the next version of a small copy (as "To Online" does), on
SQLite and on a throw-away PostgreSQL cluster. Prints requests per second
and the latency percentiles of each backend. Plain HTTP on loopback: TLS is
the server's, not the service's, cost.

    python3 bench/sync-service-load.py [--requests 4000] [--clients 50]
                                       [--accounts 1000] [--workers 4]

Every password check is the real scrypt work (16 MiB, n = 2^14), which is
most of a request's cost. The accounts share one salt and password so that
making them takes no time of its own; the service checks each request
against its account's stored hash as always.
"""

import argparse
import base64
import http.client
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import zlib
from urllib.parse import urlencode

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVICE = os.path.join(ROOT, "External", "SyncService")
sys.path.insert(0, SERVICE)
sys.path.insert(0, os.path.join(SERVICE, "tests"))
import sync_service  # noqa: E402
from pg_cluster import Cluster, available  # noqa: E402

PASSWORD = "load test"


def make_accounts(store, count):
    salt = b"s" * sync_service.SALT_BYTES
    digest = sync_service._hash(PASSWORD, salt, sync_service.SCRYPT_N, sync_service.SCRYPT_R, sync_service.SCRYPT_P)
    for number in range(count):
        store._insert_account(("user%d@example.org" % number, salt, sync_service.SCRYPT_N, sync_service.SCRYPT_R,
                               sync_service.SCRYPT_P, digest))


def copy_data(version, entries=50):
    document = {
        "format": 2, "version": version,
        "languages": [{"name": "English", "code": "en", "rtl": 0}, {"name": "German", "code": "de", "rtl": 0}],
        "types": [{"name": "Noun", "value": "n."}],
        "lists": [{"guid": "animals", "name": "Animals", "text": "", "from": 0, "to": 1, "editable": 1, "extra": 0,
                   "changed": "2024-02-01T10:00:00.000Z",
                   "entries": [["word%d" % i, 0, "Wort%d" % i, 1, 0, i % 6, "2024-01-10", "2024-02-01",
                                "2024-02-01T10:00:00.000Z"] for i in range(entries)],
                   "removed": []}],
        "deleted": [],
    }
    deflated = zlib.compress(json.dumps(document, separators=(",", ":")).encode())
    return base64.urlsafe_b64encode(deflated).rstrip(b"=").decode()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for(port, deadline):
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.1)
    raise RuntimeError("gunicorn did not start")


def run_load(port, accounts, clients, requests):
    """Latencies (seconds) of requests spread over the clients; each client
    works on its own accounts: a download, then an upload of the next
    version."""
    latencies, lock, errors = [], threading.Lock(), []
    per_client = requests // clients

    def client(number):
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=120)
        versions = {}
        mine = [a for a in range(accounts) if a % clients == number]
        for step in range(per_client):
            account = mine[(step // 2) % len(mine)]
            fields = {"op": "download", "email": "user%d@example.org" % account, "password": PASSWORD}
            if step % 2:
                versions[account] = versions.get(account, 0) + 1
                fields.update(op="upload", data=copy_data(versions[account]))
            body = urlencode(fields)
            start = time.monotonic()
            connection.request("POST", "/kvx/sync", body,
                               {"Content-Type": "application/x-www-form-urlencoded"})
            reply = connection.getresponse()
            reply.read()
            took = time.monotonic() - start
            if reply.status != 200:
                errors.append(reply.status)
            with lock:
                latencies.append(took)
        connection.close()

    threads = [threading.Thread(target=client, args=(n,)) for n in range(clients)]
    start = time.monotonic()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return time.monotonic() - start, sorted(latencies), errors


def bench(name, target, arguments, folder):
    store = sync_service.open_store(target)
    make_accounts(store, arguments.accounts)
    port = free_port()
    environment = dict(os.environ, KVX_SYNC_DB=target)
    server = subprocess.Popen([shutil.which("gunicorn") or "gunicorn", "--workers", str(arguments.workers),
                               "--threads", "8", "--bind", "127.0.0.1:%d" % port, "--chdir", SERVICE,
                               "--log-level", "warning", "sync_service:application"],
                              env=environment, stderr=open(os.path.join(folder, name + ".log"), "w"))
    try:
        wait_for(port, time.monotonic() + 60)
        elapsed, latencies, errors = run_load(port, arguments.accounts, arguments.clients, arguments.requests)
    finally:
        server.send_signal(signal.SIGTERM)
        server.wait()
    count = len(latencies)

    def percentile(p):
        return latencies[min(count - 1, int(p / 100 * count))] * 1000

    print("%-10s %6d requests  %7.1f requests/s  p50 %7.1f ms  p99 %7.1f ms  failed %d"
          % (name, count, count / elapsed, percentile(50), percentile(99), len(errors)), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--requests", type=int, default=4000)
    parser.add_argument("--clients", type=int, default=50)
    parser.add_argument("--accounts", type=int, default=1000)
    parser.add_argument("--workers", type=int, default=4)
    arguments = parser.parse_args()
    if not shutil.which("gunicorn"):
        sys.exit("gunicorn is not installed (tools/install-deps.sh --bench)")
    with tempfile.TemporaryDirectory() as folder:
        bench("SQLite", os.path.join(folder, "sync.db"), arguments, folder)
        if not available():
            sys.exit("postgresql or python3-psycopg2 is not installed")
        cluster_folder = os.path.join(folder, "pg")
        os.mkdir(cluster_folder)
        os.chmod(folder, 0o755)
        cluster = Cluster(cluster_folder)
        try:
            bench("PostgreSQL", cluster.new_database(), arguments, folder)
        finally:
            cluster.stop()


if __name__ == "__main__":
    main()
