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

    def test_malformed_requests_and_copies_get_400_and_keep_the_stored_copy(self):
        account = {"email": "ann@example.org", "password": "secret word"}
        data, deflated = copy_text()
        self.assertEqual(self.call(dict(account, op="upload", data=data))[0], 200)
        document = copy_document(version=2)

        def changed(change):
            copy = json.loads(json.dumps(document))
            change(copy)
            return encode(copy)[0]

        def raw(text):
            return base64.urlsafe_b64encode(zlib.compress(text)).rstrip(b"=").decode()

        def entry(index, value):
            return changed(lambda copy: copy["lists"][0]["entries"][0].__setitem__(index, value))

        valid = json.dumps(document, separators=(",", ":")).encode()
        bad_data = {
            "not base64": "@@@",
            "one character too many": data + "A",
            "cut stream": data[: len(data) // 2],
            "bytes after the stream": raw(valid) + "AAAA",
            "not JSON": raw(b"{\"format\":2,"),
            "bytes after the JSON": raw(valid + b" x"),
            "not a copy": encode([1, 2])[0],
            "status out of range": entry(5, 6),
            "a day that does not exist": entry(6, "2024-13-45"),
            "the 30th of February": entry(7, "2023-02-30"),
            "a time that does not exist": entry(8, "2024-02-01T25:00:00Z"),
            "a time without its zone": entry(8, "2024-02-01T10:00:00"),
            "a number as a text": entry(0, 5),
            "a fraction as an index": entry(1, 0.5),
            "an empty word": entry(0, ""),
            "a text with NUL": entry(0, "a\x00b"),
            "a text too long": entry(0, "a" * (sync_service.MAX_TEXT_CHARS + 1)),
            "a language out of range": entry(3, 2),
            "a type out of range": entry(4, 1),
            "nesting": entry(0, [[[["deep"]]]]),
            "an entry too long": changed(lambda copy: copy["lists"][0]["entries"][0].append(1)),
            "a lone surrogate": raw(valid.replace(b'"dog"', b'"d\\ud800g"')),
            "a lone low surrogate": raw(valid.replace(b'"dog"', b'"d\\udc00g"')),
            "an encoded surrogate": raw(valid.replace(b'"dog"', b'"d\xed\xa0\x80g"')),
            "not UTF-8": raw(valid.replace(b'"dog"', b'"d\xffg"')),
            "a long blank run": raw(valid.replace(b'"dog"', b'"dog"' + b" " * (sync_service.MAX_TOKEN_BYTES + 1))),
            "list twice": changed(lambda copy: copy["lists"].append(copy["lists"][0])),
            "removed list also alive": changed(lambda copy: copy["deleted"].append({"guid": "g0", "changed": ""})),
            "a removal without a time": changed(lambda copy: copy["lists"][0]["removed"][0].__setitem__(4, "")),
            "an unknown member": changed(lambda copy: copy.__setitem__("more", 1)),
            "a missing member": changed(lambda copy: copy["lists"][0].pop("removed")),
            "version 0": changed(lambda copy: copy.__setitem__("version", 0)),
            "the first format": changed(lambda copy: copy.__setitem__("format", 1)),
        }
        for name, value in bad_data.items():
            with self.subTest(name):
                self.assertEqual(self.call(dict(account, op="upload", data=value))[0], 400)
        bad_forms = {
            "non-ASCII in the copy": b"op=upload&email=ann%40example.org&password=secret+word&data=%C3%A9",
            "a raw non-ASCII byte": b"op=upload&email=ann%40example.org&password=secret+word&data=\xc3\xa9",
            "an address not UTF-8": b"op=download&email=ann%FF&password=secret+word",
            "a malformed escape": b"op=download&email=ann%4&password=secret+word",
            "a field without a value": b"op=download&email&password=secret+word",
            "a field twice": b"op=download&op=download&email=ann%40example.org&password=secret+word",
            "an unknown field": b"op=download&email=ann%40example.org&password=secret+word&more=1",
            "the copy before the password": b"op=upload&email=ann%40example.org&data=AAAA&password=secret+word",
            "a field after the copy": b"op=upload&email=ann%40example.org&password=secret+word&data=AAAA&x=1",
            "a download with a copy": b"op=download&email=ann%40example.org&password=secret+word&data=AAAA",
            "an upload without a copy": b"op=upload&email=ann%40example.org&password=secret+word",
            "an unknown operation": b"op=delete&email=ann%40example.org&password=secret+word",
            "a missing password": b"op=download&email=ann%40example.org",
            "a long address": b"op=download&email=" + b"a" * 5000 + b"&password=x",
            "a separator at the end": b"op=download&email=ann%40example.org&password=secret+word&",
        }
        for name, body in bad_forms.items():
            with self.subTest(name):
                self.assertEqual(self.call(body)[0], 400)
        body = urlencode(dict(account, op="upload", data=copy_text(("Other",), 2)[0])).encode()
        # The body ends before the length the head gave.
        self.assertEqual(self.call(body, length=len(body) + 100)[0], 400)
        self.assertEqual(self.call(body, length=0)[0], 400)
        self.assertEqual(self.call(body, length="x")[0], 411)
        self.assertEqual(self.call(body, length=sync_service.MAX_BODY_BYTES + 1)[0], 413)
        self.assertEqual(self.call(dict(account, op="download")), (200, deflated))

    def test_a_copy_within_the_caps_is_stored_whole(self):
        account = {"email": "ann@example.org", "password": "secret word"}
        document = copy_document()
        # A proper surrogate pair, escaped, and every character elsewhere.
        text = json.dumps(document, separators=(",", ":")).replace('"dog"', '"\\ud83d\\ude00 d\\u00f6g \u4e2d"')
        # Texts as long as allowed, and pieces that split escapes.
        document = json.loads(text)
        document["lists"][0]["entries"].append(["w" * sync_service.MAX_TEXT_CHARS, 0, "\\" * 3000, 1, -1, 0, "",
                                                "", ""])
        data, deflated = encode(document)
        self.assertEqual(self.call(dict(account, op="upload", data=data))[0], 200)
        self.assertEqual(self.call(dict(account, op="download")), (200, deflated))

    def test_caps_on_entries_and_lists(self):
        account = {"email": "ann@example.org", "password": "secret word"}
        document = copy_document(("One", "Two"))
        document["lists"][0]["entries"] *= 2
        for cap, value, status in (("MAX_ENTRIES", 4, 400), ("MAX_LISTS", 2, 400), ("MAX_ENTRIES", 5, 200)):
            with self.subTest(cap=cap, value=value):
                saved = getattr(sync_service, cap)
                setattr(sync_service, cap, value)
                try:
                    self.assertEqual(self.call(dict(account, op="upload", data=encode(document)[0]))[0], status)
                finally:
                    setattr(sync_service, cap, saved)

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
