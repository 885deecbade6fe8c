"""The synchronisation service driven as a WSGI application, without a
server: accounts, refused requests, stored copies."""

import base64
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest
import zlib
from urllib.parse import urlencode

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import sync_service  # noqa: E402

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync_service.py")


def copy_document(names=("Animals",), version=1):
    return {
        "format": 2,
        "version": version,
        "languages": [{"name": "English", "code": "en", "rtl": 0}, {"name": "German", "code": "de", "rtl": 0}],
        "types": [{"name": "Noun", "value": "n."}],
        "lists": [{"guid": "g%d" % i, "name": name, "text": "", "from": 0, "to": 1, "editable": 1, "extra": 0,
                   "changed": "2024-02-01T10:00:00.123Z",
                   "entries": [["dog", 0, "Hund", 1, 0, 3, "2024-01-10", "2024-02-01", "2024-02-01T10:00:00Z"]],
                   "removed": [["cat", 0, "katze", 1, "2024-02-01T09:00:00Z"]]}
                  for i, name in enumerate(names)],
        "deleted": [{"guid": "old", "changed": "2024-01-01T00:00:00Z"}],
    }


def encode(document, separators=(",", ":")):
    """The data field of a document, and its deflated bytes."""
    deflated = zlib.compress(json.dumps(document, separators=separators).encode("utf-8"))
    return base64.urlsafe_b64encode(deflated).rstrip(b"=").decode("ascii"), deflated


def copy_text(names=("Animals",), version=1):
    return encode(copy_document(names, version))


class ServiceTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.db = os.path.join(self.folder.name, "service.db")
        self.store = sync_service.Store(self.db)
        self.assertTrue(self.store.create_account("Ann@Example.org", "secret word"))
        self.app = sync_service.make_app(self.store)

    def tearDown(self):
        self.folder.cleanup()

    def call(self, body, method="POST", length=None):
        if isinstance(body, dict):
            body = urlencode(body).encode("ascii")
        environ = {"REQUEST_METHOD": method, "wsgi.input": io.BytesIO(body),
                   "CONTENT_LENGTH": str(len(body) if length is None else length)}
        answer = {}

        def start_response(status, headers):
            answer["status"] = int(status.split()[0])
            answer["headers"] = dict(headers)

        answer["body"] = b"".join(self.app(environ, start_response))
        self.assertEqual(int(answer["headers"]["Content-Length"]), len(answer["body"]))
        return answer["status"], answer["body"]

    def test_reads_and_writes_need_the_right_account(self):
        data, _ = copy_text()
        refused = [
            {"op": "download", "email": "ann@example.org", "password": "wrong"},
            {"op": "download", "email": "bob@example.org", "password": "secret word"},
            {"op": "download", "email": "ann@example.org", "password": ""},
            {"op": "upload", "email": "ann@example.org", "password": "secret", "data": data},
        ]
        for form in refused:
            with self.subTest(form=form):
                self.assertEqual(self.call(form)[0], 401)
        self.assertEqual(self.call({"op": "download", "email": "ann@example.org"})[0], 400)
        self.assertEqual(self.call(b"", method="GET")[0], 405)
        # Nothing was stored by the refused upload.
        self.assertEqual(self.call({"op": "download", "email": "ann@example.org", "password": "secret word"}),
                         (200, b""))

    def test_an_upload_of_the_next_version_replaces_the_copy_that_a_download_returns(self):
        account = {"email": " ANN@example.org", "password": "secret word"}
        for version, names in ((1, ("Animals",)), (2, ("Fruit", "Tools"))):
            data, deflated = copy_text(names, version)
            self.assertEqual(self.call(dict(account, op="upload", data=data)), (200, b"OK\n"))
            self.assertEqual(self.call(dict(account, op="download")), (200, deflated))
        # An upload based on another copy than the stored one changes nothing.
        for version in (1, 2, 4):
            with self.subTest(version=version):
                data, _ = copy_text(("Other",), version)
                self.assertEqual(self.call(dict(account, op="upload", data=data))[0], 409)
        self.assertEqual(self.call(dict(account, op="download")), (200, deflated))

    def test_malformed_or_short_uploads_keep_the_stored_copy(self):
        account = {"email": "ann@example.org", "password": "secret word"}
        data, deflated = copy_text()
        self.assertEqual(self.call(dict(account, op="upload", data=data))[0], 200)
        document = json.loads(zlib.decompress(deflated))
        bad_entry = json.loads(json.dumps(document))
        bad_entry["lists"][0]["entries"][0][5] = 6
        twice = json.loads(json.dumps(document))
        twice["lists"].append(twice["lists"][0])

        def encode(value):
            return base64.urlsafe_b64encode(zlib.compress(json.dumps(value).encode())).rstrip(b"=").decode()

        bad_data = {
            "not base64": "@@@",
            "cut stream": data[: len(data) // 2],
            "not a copy": encode([1, 2]),
            "status out of range": encode(bad_entry),
            "list twice": encode(twice),
            "other format": encode(dict(document, format=1)),
        }
        for name, value in bad_data.items():
            with self.subTest(name):
                self.assertEqual(self.call(dict(account, op="upload", data=value))[0], 400)
        body = urlencode(dict(account, op="upload", data=copy_text(("Other",))[0])).encode()
        # The body ends before the length the head gave.
        self.assertEqual(self.call(body, length=len(body) + 100)[0], 400)
        self.assertEqual(self.call(dict(account, op="download")), (200, deflated))

    def test_the_file_keeps_no_password_in_clear(self):
        self.store.put_copy("ann@example.org", io.BytesIO(b"x"), 1, 1)
        with open(self.db, "rb") as stored:
            content = stored.read()
        for name in os.listdir(self.folder.name):
            with open(os.path.join(self.folder.name, name), "rb") as part:
                content += part.read()
        self.assertNotIn(b"secret word", content)
        self.assertIn(b"ann@example.org", content)

    def test_the_command_makes_an_account_once(self):
        def run():
            return subprocess.run([sys.executable, SCRIPT, "create-account", "--db", self.db, "--email", "cy@example.org"],
                                  input="pass word\n", text=True, capture_output=True).returncode

        self.assertEqual(run(), 0)
        self.assertEqual(run(), 1)
        self.assertEqual(self.store.check("cy@example.org", "pass word"), "cy@example.org")
        self.assertIsNone(self.store.check("cy@example.org", "pass word\n"))


if __name__ == "__main__":
    unittest.main()
