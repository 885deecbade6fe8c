"""A throw-away PostgreSQL cluster (Debian's postgresql) for the service's
tests and load benchmark."""

import os
import shutil
import subprocess

PG_BIN = "/usr/lib/postgresql/15/bin"


def available():
    """True when a cluster can be made here."""
    try:
        import psycopg2  # noqa: F401
    except ImportError:
        return False
    return os.path.exists(os.path.join(PG_BIN, "initdb"))


class Cluster:
    """A PostgreSQL cluster in folder, listening only on a socket there.
    The server refuses to run as root: as root it runs as the postgres
    user, which then owns the folder."""

    def __init__(self, folder):
        self.folder = folder
        self.data = os.path.join(folder, "data")
        self._as = ["runuser", "-u", "postgres", "--"] if os.geteuid() == 0 else []
        if os.geteuid() == 0:
            shutil.chown(folder, "postgres")
        self._run([os.path.join(PG_BIN, "initdb"), "-D", self.data, "-U", "kvx", "--auth=trust", "-E", "UTF8",
                   "--no-sync"])
        self._run([os.path.join(PG_BIN, "pg_ctl"), "-D", self.data, "-w", "-l", os.path.join(folder, "server.log"),
                   "-o", "-k %s -c listen_addresses='' -c fsync=off -p 5432" % folder, "start"])
        self._database = 0

    def _run(self, argv):
        subprocess.run(self._as + argv, check=True, capture_output=True)

    def new_database(self):
        """The URL of a new, empty database of the cluster."""
        self._database += 1
        name = "kvx%d" % self._database
        self._run([os.path.join(PG_BIN, "createdb"), "-h", self.folder, "-U", "kvx", name])
        return "postgresql:///%s?host=%s&user=kvx" % (name, self.folder)

    def stop(self):
        self._run([os.path.join(PG_BIN, "pg_ctl"), "-D", self.data, "-w", "-m", "immediate", "stop"])
