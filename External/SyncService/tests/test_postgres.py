"""The service on PostgreSQL: a throw-away cluster of the test's own (in
its temporary folder, reached through a socket there), the same protocol
tests as on SQLite, and two service processes behind the one database."""

import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, HERE)
import sync_service  # noqa: E402
import test_sync_service  # noqa: E402
from pg_cluster import Cluster, available  # noqa: E402

UNDER_CI = bool(os.environ.get("CI"))


_cluster = None
_cluster_folder = None


def setUpModule():
    global _cluster, _cluster_folder
    if not available():
        if UNDER_CI:
            raise AssertionError("postgresql and python3-psycopg2 must be installed (tools/install-deps.sh)")
        raise unittest.SkipTest("postgresql or python3-psycopg2 is not installed")
    _cluster_folder = tempfile.TemporaryDirectory()
    os.chmod(_cluster_folder.name, 0o755)
    _cluster = Cluster(_cluster_folder.name)


def tearDownModule():
    if _cluster is not None:
        _cluster.stop()
        _cluster_folder.cleanup()


class PostgresServiceTest(test_sync_service.ServiceTest):
    """Every protocol test of the SQLite store, on a database of its own."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.db = _cluster.new_database()
        self.store = sync_service.open_store(self.db)
        self.assertIsInstance(self.store, sync_service.PostgresStore)
        self.assertTrue(self.store.create_account("Ann@Example.org", "secret word"))
        self.app = sync_service.make_app(self.store)

    def test_the_file_keeps_no_password_in_clear(self):
        self.skipTest("the SQLite file's own test")

    def test_two_service_processes_share_one_database(self):
        account = {"email": "ann@example.org", "password": "secret word"}
        first = self.app
        second = sync_service.make_app(sync_service.open_store(self.db))
        data, deflated = test_sync_service.copy_text(("Animals",), 1)
        self.app = first
        self.assertEqual(self.call(dict(account, op="upload", data=data))[0], 200)
        self.app = second
        self.assertEqual(self.call(dict(account, op="download")), (200, deflated))
        # The second process's upload of the same version is refused.
        other, _ = test_sync_service.copy_text(("Other",), 1)
        self.assertEqual(self.call(dict(account, op="upload", data=other))[0], 409)
        # An account made through one is known to the other.
        self.assertTrue(sync_service.open_store(self.db).create_account("bo@example.org", "pw"))
        self.assertEqual(self.call({"op": "download", "email": "bo@example.org", "password": "pw"}), (200, b""))

if __name__ == "__main__":
    unittest.main()
