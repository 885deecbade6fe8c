#!/usr/bin/env python3
"""The synchronisation service: one stored copy of vocabulary lists per
online account, reached by the database component over HTTPS.

A WSGI application on the Python standard library (``application``, or
``make_app(store)``); any WSGI server can host it. The database file is
named by the environment variable KVX_SYNC_DB for ``application``.

Commands:
  sync_service.py create-account --db FILE --email ADDRESS
      reads the password from the first line of standard input
  sync_service.py serve --db FILE --cert CHAIN.pem --key KEY.pem
                        [--host 127.0.0.1] [--port 0]
      serves over TLS; prints "PORT <number>" on standard output once it
      accepts connections

The protocol is described in README.md beside this file.
"""

import argparse
import base64
import binascii
import hashlib
import hmac
import json
import os
import re
import secrets
import signal
import socketserver
import sqlite3
import ssl
import sys
import zlib
from urllib.parse import parse_qs
from wsgiref.simple_server import WSGIRequestHandler, WSGIServer

COPY_FORMAT = 1
# A request body larger than this is refused unread.
MAX_BODY_BYTES = 256 * 1024 * 1024
# A copy that inflates beyond this is refused.
MAX_COPY_BYTES = 512 * 1024 * 1024
# scrypt cost: 16 MiB of memory per check.
SCRYPT_N = 1 << 14
SCRYPT_R = 8
SCRYPT_P = 1
SCRYPT_LENGTH = 32
SALT_BYTES = 16
# A connection that stays silent this long is dropped.
REQUEST_TIMEOUT_SECONDS = 120

_SCHEMA = """
CREATE TABLE IF NOT EXISTS account (
    email TEXT PRIMARY KEY,
    salt BLOB NOT NULL,
    n INTEGER NOT NULL,
    r INTEGER NOT NULL,
    p INTEGER NOT NULL,
    hash BLOB NOT NULL
);
CREATE TABLE IF NOT EXISTS copy (
    email TEXT PRIMARY KEY REFERENCES account(email) ON DELETE CASCADE,
    data BLOB NOT NULL
);
"""

_DATE = re.compile(r"([0-9]{4}-[0-9]{2}-[0-9]{2})?")
_GUID = re.compile(r"[0-9A-Za-z-]{1,64}")
_BASE64URL = re.compile(rb"[A-Za-z0-9_-]*")


def account_key(email):
    """The key of an account: the address without surrounding blanks, in
    lower case."""
    return email.strip().lower()


def _hash(password, salt, n, r, p):
    return hashlib.scrypt(password.encode("utf-8"), salt=salt, n=n, r=r, p=p,
                          maxmem=64 * 1024 * 1024, dklen=SCRYPT_LENGTH)


class Store:
    """Accounts and their copies in one SQLite file. Each request opens a
    connection of its own; a stored copy is replaced in one transaction."""

    def __init__(self, path):
        self.path = path
        with self._connect() as connection:
            connection.executescript(_SCHEMA)
        # A hash for unknown addresses, so that they cost the same check.
        self._dummy_salt = secrets.token_bytes(SALT_BYTES)

    def _connect(self):
        connection = sqlite3.connect(self.path, timeout=60, isolation_level=None)
        connection.execute("PRAGMA journal_mode = WAL")
        connection.execute("PRAGMA foreign_keys = ON")
        connection.execute("PRAGMA synchronous = FULL")
        return _Closing(connection)

    def create_account(self, email, password):
        """False when the address is empty or has an account already."""
        key = account_key(email)
        if not key or not password:
            return False
        salt = secrets.token_bytes(SALT_BYTES)
        digest = _hash(password, salt, SCRYPT_N, SCRYPT_R, SCRYPT_P)
        with self._connect() as connection:
            try:
                connection.execute(
                    "INSERT INTO account(email, salt, n, r, p, hash) VALUES (?, ?, ?, ?, ?, ?)",
                    (key, salt, SCRYPT_N, SCRYPT_R, SCRYPT_P, digest))
            except sqlite3.IntegrityError:
                return False
        return True

    def check(self, email, password):
        """The account key when the address and password match, else None."""
        key = account_key(email)
        with self._connect() as connection:
            row = connection.execute(
                "SELECT salt, n, r, p, hash FROM account WHERE email = ?", (key,)).fetchone()
        if row is None:
            _hash(password, self._dummy_salt, SCRYPT_N, SCRYPT_R, SCRYPT_P)
            return None
        salt, n, r, p, stored = row
        return key if hmac.compare_digest(_hash(password, salt, n, r, p), stored) else None

    def put_copy(self, key, data):
        with self._connect() as connection:
            connection.execute("BEGIN IMMEDIATE")
            connection.execute("INSERT OR REPLACE INTO copy(email, data) VALUES (?, ?)", (key, data))
            connection.execute("COMMIT")

    def get_copy(self, key):
        with self._connect() as connection:
            row = connection.execute("SELECT data FROM copy WHERE email = ?", (key,)).fetchone()
        return bytes(row[0]) if row else b""


class _Closing:
    def __init__(self, connection):
        self.connection = connection

    def __enter__(self):
        return self.connection

    def __exit__(self, *exc):
        self.connection.close()
        return False


def inflate(data):
    """The copy's JSON text from its deflated bytes; None when the bytes are
    not a whole zlib stream or inflate beyond the limit."""
    inflater = zlib.decompressobj()
    try:
        text = inflater.decompress(data, MAX_COPY_BYTES)
    except zlib.error:
        return None
    if inflater.unconsumed_tail or not inflater.eof or inflater.unused_data:
        return None
    return text


def _is_int(value, low, high):
    return isinstance(value, int) and not isinstance(value, bool) and low <= value <= high


def _is_text(value, allow_empty=False):
    return isinstance(value, str) and (allow_empty or value != "")


def valid_copy(document):
    """True when document is a copy of the format this service keeps."""
    if not isinstance(document, dict) or document.get("format") != COPY_FORMAT:
        return False
    languages, types, lists = document.get("languages"), document.get("types"), document.get("lists")
    if not all(isinstance(part, list) for part in (languages, types, lists)):
        return False
    for language in languages:
        if not (isinstance(language, dict) and _is_text(language.get("name"))
                and _is_text(language.get("code"), True) and _is_int(language.get("rtl"), 0, 1)):
            return False
    for meaning_type in types:
        if not (isinstance(meaning_type, dict) and _is_text(meaning_type.get("name"))
                and _is_text(meaning_type.get("value"), True)):
            return False
    last_language, last_type = len(languages) - 1, len(types) - 1
    for vocabulary in lists:
        if not (isinstance(vocabulary, dict) and isinstance(vocabulary.get("guid"), str)
                and _GUID.fullmatch(vocabulary["guid"]) and _is_text(vocabulary.get("name"))
                and _is_text(vocabulary.get("text"), True)
                and _is_int(vocabulary.get("from"), 0, last_language)
                and _is_int(vocabulary.get("to"), 0, last_language)
                and _is_int(vocabulary.get("editable"), 0, 1)
                and _is_int(vocabulary.get("extra"), -2**31, 2**31 - 1)
                and isinstance(vocabulary.get("entries"), list)):
            return False
        for entry in vocabulary["entries"]:
            if not (isinstance(entry, list) and len(entry) == 8 and _is_text(entry[0])
                    and _is_int(entry[1], 0, last_language) and _is_text(entry[2])
                    and _is_int(entry[3], 0, last_language) and _is_int(entry[4], -1, last_type)
                    and _is_int(entry[5], 0, 5) and isinstance(entry[6], str) and _DATE.fullmatch(entry[6])
                    and isinstance(entry[7], str) and _DATE.fullmatch(entry[7])):
                return False
    guids = [vocabulary["guid"] for vocabulary in lists]
    return len(set(guids)) == len(guids)


def decode_upload(text):
    """The deflated copy of an upload's data field; None when it is not
    base64url of a valid copy."""
    raw = text.encode("ascii", "strict")
    if not _BASE64URL.fullmatch(raw):
        return None
    try:
        data = base64.urlsafe_b64decode(raw + b"=" * (-len(raw) % 4))
    except (binascii.Error, ValueError):
        return None
    inflated = inflate(data)
    if inflated is None:
        return None
    try:
        document = json.loads(inflated.decode("utf-8"))
    except (UnicodeDecodeError, ValueError, RecursionError):
        return None
    return data if valid_copy(document) else None


def _reply(start_response, status, body=b"", content_type="text/plain; charset=utf-8"):
    start_response(status, [("Content-Type", content_type), ("Content-Length", str(len(body)))])
    return [body]


def _read_body(environ, length):
    stream = environ["wsgi.input"]
    parts, remaining = [], length
    while remaining > 0:
        piece = stream.read(min(remaining, 1 << 20))
        if not piece:
            break
        parts.append(piece)
        remaining -= len(piece)
    return b"".join(parts) if remaining == 0 else None


def make_app(store):
    def app(environ, start_response):
        if environ.get("REQUEST_METHOD") != "POST":
            return _reply(start_response, "405 Method Not Allowed", b"POST only\n")
        try:
            length = int(environ.get("CONTENT_LENGTH") or "")
        except ValueError:
            return _reply(start_response, "411 Length Required", b"length required\n")
        if length <= 0:
            return _reply(start_response, "400 Bad Request", b"empty request\n")
        if length > MAX_BODY_BYTES:
            return _reply(start_response, "413 Payload Too Large", b"request too large\n")
        body = _read_body(environ, length)
        if body is None:
            return _reply(start_response, "400 Bad Request", b"request cut short\n")
        try:
            form = parse_qs(body.decode("ascii"), keep_blank_values=True, strict_parsing=True,
                            max_num_fields=8, errors="strict")
        except (UnicodeDecodeError, ValueError):
            return _reply(start_response, "400 Bad Request", b"malformed form\n")
        fields = {}
        for name in ("op", "email", "password"):
            values = form.get(name)
            if not values or len(values) != 1:
                return _reply(start_response, "400 Bad Request", b"missing field\n")
            fields[name] = values[0]
        key = store.check(fields["email"], fields["password"])
        if key is None:
            return _reply(start_response, "401 Unauthorized", b"wrong e-mail address or password\n")
        if fields["op"] == "download":
            return _reply(start_response, "200 OK", store.get_copy(key), "application/octet-stream")
        if fields["op"] == "upload":
            values = form.get("data")
            data = decode_upload(values[0]) if values and len(values) == 1 else None
            if data is None:
                return _reply(start_response, "400 Bad Request", b"malformed copy\n")
            store.put_copy(key, data)
            return _reply(start_response, "200 OK", b"OK\n")
        return _reply(start_response, "400 Bad Request", b"unknown operation\n")

    return app


def application(environ, start_response):
    """The service over the database file that KVX_SYNC_DB names."""
    global _default_app
    if _default_app is None:
        _default_app = make_app(Store(os.environ["KVX_SYNC_DB"]))
    return _default_app(environ, start_response)


_default_app = None


class _QuietHandler(WSGIRequestHandler):
    def log_message(self, format, *args):
        pass


class TlsServer(socketserver.ThreadingMixIn, WSGIServer):
    """wsgiref's server, one thread per request, TLS on each accepted
    connection (the handshake runs in the request's thread)."""

    daemon_threads = True

    def __init__(self, address, context):
        self.context = context
        super().__init__(address, _QuietHandler)

    def finish_request(self, request, client_address):
        # A client that stops sending or reading frees its thread.
        request.settimeout(REQUEST_TIMEOUT_SECONDS)
        try:
            secured = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        try:
            super().finish_request(secured, client_address)
            # The TLS goodbye tells the client that the reply is complete.
            secured.unwrap().close()
        except (ssl.SSLError, OSError):
            secured.close()


def serve(arguments):
    store = Store(arguments.db)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(arguments.cert, arguments.key)
    server = TlsServer((arguments.host, arguments.port), context)
    server.set_app(make_app(store))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    finally:
        server.server_close()
    return 0


def create_account(arguments):
    password = sys.stdin.readline().rstrip("\r\n")
    if not Store(arguments.db).create_account(arguments.email, password):
        print("no account made: the address is empty, is taken, or the password is empty", file=sys.stderr)
        return 1
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(description="The synchronisation service of the vocabulary trainer.")
    commands = parser.add_subparsers(dest="command", required=True)
    account = commands.add_parser("create-account", help="make an account; the password comes on standard input")
    account.add_argument("--db", required=True)
    account.add_argument("--email", required=True)
    server = commands.add_parser("serve", help="serve over TLS")
    server.add_argument("--db", required=True)
    server.add_argument("--cert", required=True)
    server.add_argument("--key", required=True)
    server.add_argument("--host", default="127.0.0.1")
    server.add_argument("--port", type=int, default=0)
    arguments = parser.parse_args(argv)
    return create_account(arguments) if arguments.command == "create-account" else serve(arguments)


if __name__ == "__main__":
    sys.exit(main())
