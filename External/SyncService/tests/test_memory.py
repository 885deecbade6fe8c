"""The service's memory under hostile requests: the served process (over
TLS on loopback, as it runs) keeps its peak resident size under 100 MB for
a request of the largest size from someone without an account and for a
copy that inflates far beyond its limit."""

import base64
import json
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import unittest
import zlib

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync_service.py")
sys.path.insert(0, os.path.dirname(SCRIPT))
import sync_service  # noqa: E402

PEAK_LIMIT_KIB = 100 * 1000


def peak_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise AssertionError("no VmHWM")


def blanks(inflated_bytes):
    """The data field of an upload whose copy is inflated_bytes of blanks."""
    deflater = zlib.compressobj(9)
    block = b" " * (1 << 20)
    pieces = [deflater.compress(block) for _ in range(inflated_bytes // len(block))]
    pieces.append(deflater.flush())
    return base64.urlsafe_b64encode(b"".join(pieces)).rstrip(b"=")


def bomb(inflated_bytes):
    """The data field of an upload whose copy inflates to about
    inflated_bytes: a valid start, then the same entry again and again
    (each text as long as allowed, with commas so that no run is too
    long)."""
    text = ("ab," * (sync_service.MAX_TEXT_CHARS // 3))[: sync_service.MAX_TEXT_CHARS]
    entry = json.dumps([text, 0, text, 0, -1, 0, "", "", ""], separators=(",", ":")).encode() + b","
    head = (b'{"format":2,"version":1,"languages":[{"name":"E","code":"","rtl":0}],"types":[],'
            b'"lists":[{"guid":"g","name":"n","text":"","from":0,"to":0,"editable":1,"extra":0,"changed":"",'
            b'"entries":[')
    deflater = zlib.compressobj(9)
    pieces = [deflater.compress(head)]
    block = entry * 256
    for _ in range(inflated_bytes // len(block) + 1):
        pieces.append(deflater.compress(block))
    pieces.append(deflater.compress(b'["x",0,"y",0,-1,0,"","",""]],"removed":[]}],"deleted":[]}'))
    pieces.append(deflater.flush())
    return base64.urlsafe_b64encode(b"".join(pieces)).rstrip(b"=")


class MemoryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        folder = cls.folder.name
        key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1"],
                       check=True, capture_output=True)
        db = os.path.join(folder, "service.db")
        subprocess.run([sys.executable, SCRIPT, "create-account", "--db", db, "--email", "ann@example.org"],
                       input="secret\n", text=True, check=True)
        # The server's notes of connections that the test drops go to a file.
        cls.log = open(os.path.join(folder, "service.log"), "w")
        cls.service = subprocess.Popen([sys.executable, SCRIPT, "serve", "--db", db, "--cert", cert, "--key", key],
                                       stdout=subprocess.PIPE, stderr=cls.log, text=True)
        line = cls.service.stdout.readline()
        assert line.startswith("PORT "), line
        cls.port = int(line.split()[1])
        cls.context = ssl.create_default_context()
        cls.context.check_hostname = False
        cls.context.verify_mode = ssl.CERT_NONE

    @classmethod
    def tearDownClass(cls):
        cls.service.terminate()
        cls.service.wait()
        cls.service.stdout.close()
        cls.log.close()
        cls.folder.cleanup()

    def post(self, head_fields, length, rest):
        """Sends a post of that length: the fields, then the pieces of
        rest (an iterable of bytes); the reply's status, or None when the
        service closed the connection before answering."""
        raw = socket.create_connection(("127.0.0.1", self.port))
        with self.context.wrap_socket(raw) as connection:
            connection.sendall(b"POST /kvx/sync HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                               b"Content-Type: application/x-www-form-urlencoded\r\n"
                               b"Content-Length: %d\r\nConnection: close\r\n\r\n" % length + head_fields)
            try:
                for piece in rest:
                    connection.sendall(piece)
            except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
                pass
            reply = b""
            try:
                while b"\r\n" not in reply:
                    piece = connection.recv(4096)
                    if not piece:
                        break
                    reply += piece
            except (ConnectionResetError, ssl.SSLError):
                pass
        return int(reply.split()[1]) if reply.startswith(b"HTTP/") else None

    def test_hostile_requests_keep_the_service_small(self):
        # Someone without an account sends the largest body allowed.
        length = sync_service.MAX_BODY_BYTES
        fields = b"op=upload&email=nobody%40example.org&password=guess&data="
        piece = b"A" * (1 << 20)
        pieces = (piece for _ in range((length - len(fields)) // len(piece)))
        self.assertIn(self.post(fields, length, pieces), (401, None))
        self.assertLess(peak_kib(self.service.pid), PEAK_LIMIT_KIB)

        # An account holder sends a copy that inflates to 1 GiB, and one
        # of blanks.
        fields = b"op=upload&email=ann%40example.org&password=secret&data="
        for data in (bomb(1 << 30), blanks(1 << 30)):
            self.assertLess(len(data), 8 << 20)
            self.assertEqual(self.post(fields, len(fields) + len(data), [data]), 400)
            self.assertLess(peak_kib(self.service.pid), PEAK_LIMIT_KIB)
        # The service still works.
        fields = b"op=download&email=ann%40example.org&password=secret"
        self.assertEqual(self.post(fields, len(fields), []), 200)


if __name__ == "__main__":
    unittest.main()
