#!/usr/bin/python3
"""The synchronisation service: one stored copy of vocabulary lists per
online account, reached by the database component over HTTPS.

A WSGI application on the Python standard library and the JSON stream
reader ijson (``application``, or ``make_app(store)``); any WSGI server can
host it. The database (a SQLite file, or a PostgreSQL URL
postgresql://...) is named by the environment variable KVX_SYNC_DB for
``application``.

Commands:
  sync_service.py create-account --db FILE|URL --email ADDRESS
      reads the password from the first line of standard input
  sync_service.py serve --db FILE|URL --cert CHAIN.pem --key KEY.pem
                        [--host 127.0.0.1] [--port 0]
      serves over TLS; prints "PORT <number>" on standard output once it
      accepts connections

The protocol is described in README.md beside this file.
"""

import argparse
import base64
import datetime
import hashlib
import hmac
import os
import re
import secrets
import signal
import socketserver
import sqlite3
import ssl
import sys
import tempfile
import threading
import zlib
from urllib.parse import unquote_to_bytes
from wsgiref.simple_server import WSGIRequestHandler, WSGIServer

import ijson

COPY_FORMAT = 2
# A request body larger than this is refused unread.
MAX_BODY_BYTES = 256 * 1024 * 1024
# A copy that inflates beyond this is refused, as soon as it does.
MAX_COPY_BYTES = 512 * 1024 * 1024
# What a copy may hold: lists (with removed ones), entries (with removed
# ones) of all lists together, languages, meaning types, and characters
# in one text.
MAX_LISTS = 10000
MAX_ENTRIES = 250000
MAX_LANGUAGES = 1000
MAX_TYPES = 1000
MAX_TEXT_CHARS = 4096
# The longest run of the copy's JSON text without a quote, comma, colon or
# bracket: no text of MAX_TEXT_CHARS characters, escaped, is longer.
MAX_TOKEN_BYTES = 64 * 1024
# The longest value of the op, email and password fields.
MAX_FIELD_BYTES = 4096
# The body is read in pieces of this size.
PIECE_BYTES = 64 * 1024
# The rest of a refused request's body that is read (and dropped) so that
# the client sees the reply; a longer rest is not read.
DRAIN_BYTES = 1024 * 1024
# Requests worked on at once by one application object; the others wait
# this long for their turn, then get 503.
REQUESTS_AT_ONCE = 8
BUSY_WAIT_SECONDS = 30
# Connections the built-in server serves at once; more wait in the
# listening queue.
CONNECTIONS_AT_ONCE = 64
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
    data BLOB NOT NULL,
    version INTEGER NOT NULL DEFAULT 0
);
"""

_DATE = re.compile(r"([0-9]{4}-[0-9]{2}-[0-9]{2})?")
_STAMP = re.compile(r"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\.[0-9]{1,9})?Z")
_GUID = re.compile(r"[0-9A-Za-z-]{1,64}")
_BASE64URL = re.compile(rb"[A-Za-z0-9_-]*")


def account_key(email):
    """The key of an account: the address without surrounding blanks, in
    lower case."""
    return email.strip().lower()


def _hash(password, salt, n, r, p):
    return hashlib.scrypt(password.encode("utf-8"), salt=salt, n=n, r=r, p=p,
                          maxmem=64 * 1024 * 1024, dklen=SCRYPT_LENGTH)


class _Accounts:
    """The accounts of a store: made with a scrypt hash of the password,
    checked at the same cost whether the address is known or not. A store
    gives _insert_account and _find_account."""

    def __init__(self):
        # A hash for unknown addresses, so that they cost the same check.
        self._dummy_salt = secrets.token_bytes(SALT_BYTES)

    def create_account(self, email, password):
        """False when the address is empty or has an account already."""
        key = account_key(email)
        if not key or not password:
            return False
        salt = secrets.token_bytes(SALT_BYTES)
        digest = _hash(password, salt, SCRYPT_N, SCRYPT_R, SCRYPT_P)
        return self._insert_account((key, salt, SCRYPT_N, SCRYPT_R, SCRYPT_P, digest))

    def check(self, email, password):
        """The account key when the address and password match, else None."""
        key = account_key(email)
        row = self._find_account(key)
        if row is None:
            _hash(password, self._dummy_salt, SCRYPT_N, SCRYPT_R, SCRYPT_P)
            return None
        salt, n, r, p, stored = row
        return key if hmac.compare_digest(_hash(password, bytes(salt), n, r, p), bytes(stored)) else None


class Store(_Accounts):
    """Accounts and their copies in one SQLite file. Each request opens a
    connection of its own; a stored copy is replaced in one transaction."""

    def __init__(self, path):
        super().__init__()
        self.path = path
        with self._connect() as connection:
            connection.executescript(_SCHEMA)
            columns = [row[1] for row in connection.execute("PRAGMA table_info(copy)")]
            if "version" not in columns:
                connection.execute("ALTER TABLE copy ADD COLUMN version INTEGER NOT NULL DEFAULT 0")

    def _connect(self):
        connection = sqlite3.connect(self.path, timeout=60, isolation_level=None)
        connection.execute("PRAGMA journal_mode = WAL")
        connection.execute("PRAGMA foreign_keys = ON")
        connection.execute("PRAGMA synchronous = FULL")
        return _Closing(connection)

    def _insert_account(self, row):
        with self._connect() as connection:
            try:
                connection.execute("INSERT INTO account(email, salt, n, r, p, hash) VALUES (?, ?, ?, ?, ?, ?)", row)
            except sqlite3.IntegrityError:
                return False
        return True

    def _find_account(self, key):
        with self._connect() as connection:
            return connection.execute("SELECT salt, n, r, p, hash FROM account WHERE email = ?", (key,)).fetchone()

    def put_copy(self, key, source, size, version):
        """Stores the size bytes of the file source as the account's copy,
        its next version: False, storing nothing, when the stored copy is
        not the one before it. The bytes go to the file piece by piece."""
        with self._connect() as connection:
            connection.execute("BEGIN IMMEDIATE")
            try:
                row = connection.execute("SELECT version FROM copy WHERE email = ?", (key,)).fetchone()
                if (row[0] if row else 0) != version - 1:
                    connection.execute("ROLLBACK")
                    return False
                connection.execute("INSERT OR REPLACE INTO copy(email, data, version) VALUES (?, zeroblob(?), ?)",
                                   (key, size, version))
                rowid = connection.execute("SELECT rowid FROM copy WHERE email = ?", (key,)).fetchone()[0]
                with connection.blobopen("copy", "data", rowid) as blob:
                    for piece in iter(lambda: source.read(PIECE_BYTES), b""):
                        blob.write(piece)
                connection.execute("COMMIT")
            except BaseException:
                if connection.in_transaction:
                    connection.execute("ROLLBACK")
                raise
        return True

    def open_copy(self, key):
        """The size of the account's stored copy (0 when it has none) and
        its bytes as pieces, read from the file as they are taken."""
        connection = self._connect().connection
        try:
            connection.execute("BEGIN")
            row = connection.execute("SELECT rowid, length(data) FROM copy WHERE email = ?", (key,)).fetchone()
        except BaseException:
            connection.close()
            raise
        if row is None:
            connection.close()
            return 0, iter(())

        def pieces():
            try:
                with connection.blobopen("copy", "data", row[0], readonly=True) as blob:
                    for piece in iter(lambda: blob.read(PIECE_BYTES), b""):
                        yield piece
            finally:
                connection.close()

        return row[1], pieces()


class PostgresStore(_Accounts):
    """Accounts and their copies in a PostgreSQL database (a libpq URL), in
    the same tables as the SQLite store, so that several service processes
    on several hosts can share them. Each process keeps a pool of
    connections; an upload stores the next version in one statement, or
    nothing."""

    _SCHEMA = """
    CREATE TABLE IF NOT EXISTS account (
        email TEXT PRIMARY KEY,
        salt BYTEA NOT NULL,
        n INTEGER NOT NULL,
        r INTEGER NOT NULL,
        p INTEGER NOT NULL,
        hash BYTEA NOT NULL
    );
    CREATE TABLE IF NOT EXISTS copy (
        email TEXT PRIMARY KEY REFERENCES account(email) ON DELETE CASCADE,
        data BYTEA NOT NULL,
        version BIGINT NOT NULL DEFAULT 0
    );
    """

    def __init__(self, url):
        super().__init__()
        import psycopg2
        self._errors = psycopg2
        self._url = url
        self._pool = None
        self._pool_pid = None
        self._pool_lock = threading.Lock()
        with self._connection() as cursor:
            # One process at a time makes the tables.
            cursor.execute("SELECT pg_advisory_xact_lock(4931)")
            cursor.execute(self._SCHEMA)

    def _connection(self):
        with self._pool_lock:
            # A pool made before a fork (a WSGI server's workers) is not
            # shared: each process makes its own.
            if self._pool is None or self._pool_pid != os.getpid():
                import psycopg2.pool
                self._pool = psycopg2.pool.ThreadedConnectionPool(1, REQUESTS_AT_ONCE, self._url)
                self._pool_pid = os.getpid()
        return _PooledTransaction(self._pool)

    def _insert_account(self, row):
        try:
            with self._connection() as cursor:
                cursor.execute("INSERT INTO account(email, salt, n, r, p, hash) VALUES (%s, %s, %s, %s, %s, %s)",
                               row)
        except self._errors.IntegrityError:
            return False
        return True

    def _find_account(self, key):
        with self._connection() as cursor:
            cursor.execute("SELECT salt, n, r, p, hash FROM account WHERE email = %s", (key,))
            return cursor.fetchone()

    def put_copy(self, key, source, size, version):
        """As Store.put_copy; the bytes are read whole."""
        data = source.read()
        with self._connection() as cursor:
            if version == 1:
                cursor.execute("INSERT INTO copy(email, data, version) VALUES (%s, %s, 1) ON CONFLICT (email)"
                               " DO UPDATE SET data = EXCLUDED.data, version = 1 WHERE copy.version = 0",
                               (key, data))
            else:
                cursor.execute("UPDATE copy SET data = %s, version = %s WHERE email = %s AND version = %s",
                               (data, version, key, version - 1))
            return cursor.rowcount == 1

    def open_copy(self, key):
        """As Store.open_copy; the copy is read whole."""
        with self._connection() as cursor:
            cursor.execute("SELECT data FROM copy WHERE email = %s", (key,))
            row = cursor.fetchone()
        data = bytes(row[0]) if row else b""
        return len(data), iter([data] if data else [])


class _PooledTransaction:
    """A cursor of a pooled connection for one transaction: committed when
    the block ends, rolled back when it fails; the connection goes back to
    the pool (closed when it broke)."""

    def __init__(self, pool):
        self._pool = pool

    def __enter__(self):
        self._connection = self._pool.getconn()
        self._cursor = self._connection.cursor()
        return self._cursor

    def __exit__(self, kind, *exc):
        broken = False
        try:
            self._cursor.close()
            if kind is None:
                self._connection.commit()
            else:
                self._connection.rollback()
        except Exception:
            broken = True
            raise
        finally:
            self._pool.putconn(self._connection, close=broken or bool(self._connection.closed))
        return False


def open_store(target):
    """The store of a database: a PostgreSQL URL (postgresql://...), else
    the path of a SQLite file."""
    if target.startswith(("postgresql://", "postgres://")):
        return PostgresStore(target)
    return Store(target)


class _Closing:
    def __init__(self, connection):
        self.connection = connection

    def __enter__(self):
        return self.connection

    def __exit__(self, *exc):
        self.connection.close()
        return False


class Malformed(Exception):
    """A request or copy that the service refuses with 400."""


class _InflatingReader:
    """A file-like reader of the inflated copy from the spooled deflated
    bytes: it never holds more than one piece of output, and fails once the
    output passes MAX_COPY_BYTES or the stream is not one whole zlib
    stream."""

    def __init__(self, spool):
        self._spool = spool
        self._inflater = zlib.decompressobj()
        self.inflated = 0
        self.surrogates = _TextScan()

    def read(self, size=-1):
        if size == 0:
            return b""
        size = 1 << 16 if size is None or size < 0 else min(size, 1 << 20)
        while True:
            if self._inflater.unconsumed_tail:
                source = self._inflater.unconsumed_tail
            else:
                source = self._spool.read(1 << 16)
                if not source:
                    if not self._inflater.eof:
                        raise Malformed("the copy's stream is cut short")
                    return b""
                if self._inflater.eof:
                    raise Malformed("bytes after the copy's stream")
            try:
                piece = self._inflater.decompress(source, size)
            except zlib.error as error:
                raise Malformed("the copy is not deflated") from error
            if self._inflater.unused_data:
                raise Malformed("bytes after the copy's stream")
            self.inflated += len(piece)
            if self.inflated > MAX_COPY_BYTES:
                raise Malformed("the copy inflates beyond its limit")
            if piece:
                self.surrogates.scan(piece)
                return piece


class _TextScan:
    """Looks at the inflated text piece by piece before the JSON reader
    does: refuses a run of more than MAX_TOKEN_BYTES without a quote,
    comma, colon or bracket (no text of a copy is that long, and the reader
    would keep the whole run in memory), and an escaped high surrogate
    ("\\ud800") that no escaped low surrogate follows (the reader would take
    it as "?", and clients refuse it)."""

    # Structure to 0, anything else to 1: a long run is a find of ones.
    _MARKS = bytes(0 if chr(byte) in '",:[]{}' else 1 for byte in range(256))
    _HIGH = re.compile(rb"\\u[dD][89abAB][0-9a-fA-F]{2}")
    _LOW = re.compile(rb"\\u[dD][c-fC-F][0-9a-fA-F]{2}")

    def __init__(self):
        self._tail = b""
        self._run = 0  # the run without structure that the last piece ended with

    def _gaps(self, piece):
        marks = piece.translate(self._MARKS)
        first = marks.find(0)
        if first < 0:
            self._run += len(piece)
        else:
            if self._run + first > MAX_TOKEN_BYTES or marks.find(b"\x01" * (MAX_TOKEN_BYTES + 1)) >= 0:
                raise Malformed("a text or blank run too long")
            self._run = len(piece) - marks.rfind(0) - 1
        if self._run > MAX_TOKEN_BYTES:
            raise Malformed("a text or blank run too long")

    def scan(self, piece, last=False):
        self._gaps(piece)
        text = self._tail + piece
        keep = len(text)
        if b"\\u" in text:
            for match in self._HIGH.finditer(text):
                start = before = match.start()
                while before > 0 and text[before - 1] == 0x5C:
                    before -= 1
                if (start - before) % 2:
                    continue  # an escaped backslash, then "u..."
                if match.end() + 6 > len(text) and not last:
                    keep = start
                    break
                if not self._LOW.match(text, match.end()):
                    raise Malformed("a lone surrogate in a text")
        # The next piece is read after what this one ends with: a run of
        # backslashes and a possible start of an escape.
        start = min(keep, max(0, len(text) - 12))
        while start > 0 and text[start - 1] == 0x5C:
            start -= 1
        self._tail = text[start:]


def _is_day(text):
    try:
        datetime.date(int(text[0:4]), int(text[5:7]), int(text[8:10]))
    except ValueError:
        return False
    return True


class _CopyChecker:
    """Walks the events of the copy's JSON once and refuses what a client
    could not read, or what costs beyond the caps."""

    def __init__(self, events):
        self._events = events
        self._pushed = None
        self.version = None
        self._last_language = -1
        self._last_type = -1
        self._languages = 0
        self._types = 0
        self._entries = 0
        self._guids = set()
        self._entry_readers = (self._text, self._language, self._text, self._language, self._type,
                               lambda: self._int(0, 5), self._date, self._date, lambda: self._stamp(True))
        self._removed_readers = (self._text, self._language, self._text, self._language,
                                 lambda: self._stamp(False))

    def _next(self):
        if self._pushed is not None:
            event, self._pushed = self._pushed, None
            return event
        try:
            return next(self._events)
        except StopIteration:
            raise Malformed("the copy ends early") from None

    def _scalar(self):
        kind, value = self._next()
        if kind in ("start_map", "start_array", "end_map", "end_array", "map_key"):
            raise Malformed("a value of the wrong kind")
        return kind, value

    def _int(self, low, high):
        kind, value = self._scalar()
        if kind != "number" or type(value) is not int or not low <= value <= high:
            raise Malformed("a number out of range")
        return value

    def _text(self, allow_empty=False):
        kind, value = self._scalar()
        if kind != "string" or len(value) > MAX_TEXT_CHARS or "\x00" in value or (not value and not allow_empty):
            raise Malformed("a malformed text")
        return value

    def _date(self):
        value = self._text(True)
        if value and not (_DATE.fullmatch(value) and _is_day(value)):
            raise Malformed("a malformed date")

    def _stamp(self, allow_empty):
        value = self._text(allow_empty)
        if value and not (_STAMP.fullmatch(value) and _is_day(value) and int(value[11:13]) < 24
                          and int(value[14:16]) < 60 and int(value[17:19]) <= 60):
            raise Malformed("a malformed time of change")

    def _guid(self):
        value = self._text()
        if not _GUID.fullmatch(value) or value in self._guids:
            raise Malformed("a malformed or repeated list id")
        self._guids.add(value)
        if len(self._guids) > MAX_LISTS:
            raise Malformed("too many lists")

    def _language(self):
        index = self._int(0, MAX_LANGUAGES - 1)
        self._last_language = max(self._last_language, index)

    def _type(self):
        index = self._int(-1, MAX_TYPES - 1)
        self._last_type = max(self._last_type, index)

    def _object(self, fields):
        """An object with exactly these members, read by their readers."""
        if self._next()[0] != "start_map":
            raise Malformed("an object expected")
        seen = set()
        while True:
            kind, value = self._next()
            if kind == "end_map":
                break
            if kind != "map_key" or value not in fields or value in seen:
                raise Malformed("an unknown or repeated member")
            seen.add(value)
            fields[value]()
        if len(seen) != len(fields):
            raise Malformed("a missing member")

    def _array(self, item, limit=None):
        if self._next()[0] != "start_array":
            raise Malformed("an array expected")
        count = 0
        while True:
            kind, value = self._next()
            if kind == "end_array":
                return count
            self._pushed = (kind, value)
            item()
            count += 1
            if limit is not None and count > limit:
                raise Malformed("too many items")

    def _row(self, readers):
        if self._next()[0] != "start_array":
            raise Malformed("an array expected")
        for reader in readers:
            reader()
        if self._next()[0] != "end_array":
            raise Malformed("an array too long")

    def _count_entry(self):
        self._entries += 1
        if self._entries > MAX_ENTRIES:
            raise Malformed("too many entries")

    def _entry(self):
        self._count_entry()
        self._row(self._entry_readers)

    def _removed(self):
        self._count_entry()
        self._row(self._removed_readers)

    def _list(self):
        self._object({
            "guid": self._guid, "name": self._text, "text": lambda: self._text(True),
            "from": self._language, "to": self._language, "editable": lambda: self._int(0, 1),
            "extra": lambda: self._int(-2**31, 2**31 - 1), "changed": lambda: self._stamp(True),
            "entries": lambda: self._array(self._entry), "removed": lambda: self._array(self._removed)})

    def _deleted(self):
        self._object({"guid": self._guid, "changed": lambda: self._stamp(False)})

    def _format(self):
        if self._int(COPY_FORMAT, COPY_FORMAT) != COPY_FORMAT:
            raise Malformed("another format")

    def _version(self):
        self.version = self._int(1, 2**53 - 1)

    def _languages_array(self):
        self._languages = self._array(lambda: self._object({
            "name": self._text, "code": lambda: self._text(True), "rtl": lambda: self._int(0, 1)}), MAX_LANGUAGES)

    def _types_array(self):
        self._types = self._array(lambda: self._object({"name": self._text, "value": lambda: self._text(True)}),
                                  MAX_TYPES)

    def check(self):
        self._object({"format": self._format, "version": self._version, "languages": self._languages_array,
                      "types": self._types_array, "lists": lambda: self._array(self._list),
                      "deleted": lambda: self._array(self._deleted)})
        if self._last_language >= self._languages or self._last_type >= self._types:
            raise Malformed("an index out of range")
        for _ in self._events:
            raise Malformed("more after the copy")
        return self.version


def check_copy(spool):
    """The version that the deflated copy in spool (a binary file at its
    start) names; raises Malformed unless it is a copy that every client
    can read and within the caps."""
    reader = _InflatingReader(spool)
    try:
        version = _CopyChecker(ijson.basic_parse(reader, use_float=True)).check()
        reader.surrogates.scan(b"", last=True)
    except (ijson.JSONError, UnicodeDecodeError, ValueError) as error:
        raise Malformed("the copy is not JSON") from error
    return version


def _reply(start_response, status, body=b"", content_type="text/plain; charset=utf-8"):
    start_response(status, [("Content-Type", content_type), ("Content-Length", str(len(body)))])
    return [body]


_ESCAPES = re.compile(rb"%(?![0-9A-Fa-f]{2})")


def _unquote(raw):
    """The bytes of a percent-encoded piece of a form."""
    if _ESCAPES.search(raw):
        raise Malformed("a malformed escape")
    return unquote_to_bytes(raw.replace(b"+", b" "))


class _FormReader:
    """The fields of a form body, read piece by piece as they arrive: short
    fields whole, the last one (the copy) streamed to a sink. Never reads
    beyond the body's length, nor holds more than a piece of it."""

    def __init__(self, stream, length):
        self._stream = stream
        self._left = length
        self._buffer = b""

    @property
    def unread(self):
        return self._left

    def _fill(self):
        if self._left == 0:
            return False
        piece = self._stream.read(min(self._left, PIECE_BYTES))
        if not piece:
            raise Malformed("the request is cut short")
        self._left -= len(piece)
        self._buffer += piece
        return True

    def next_name(self):
        """The next field's name; None at the end of the body."""
        while b"=" not in self._buffer:
            if b"&" in self._buffer or len(self._buffer) > MAX_FIELD_BYTES:
                raise Malformed("a field without a value")
            if not self._fill():
                if self._buffer:
                    raise Malformed("a field without a value")
                return None
        name, self._buffer = self._buffer.split(b"=", 1)
        return _unquote(name).decode("utf-8")

    def short_value(self):
        """The value of a short field, as text."""
        while b"&" not in self._buffer and self._fill():
            if len(self._buffer) > 3 * MAX_FIELD_BYTES:
                raise Malformed("a field too long")
        value, separator, self._buffer = self._buffer.partition(b"&")
        if separator and not self._buffer and not self._left:
            raise Malformed("a form that ends with a separator")
        text = _unquote(value).decode("utf-8")
        if len(text) > MAX_FIELD_BYTES or "\x00" in text:
            raise Malformed("a malformed field")
        return text

    def stream_last_value(self, sink):
        """Hands the value of the body's last field to sink piece by
        piece."""
        carry = b""
        while True:
            if b"&" in self._buffer:
                raise Malformed("the copy must be the last field")
            data, self._buffer = carry + self._buffer, b""
            escape = data.rfind(b"%", max(0, len(data) - 2))
            carry, data = (data[escape:], data[:escape]) if escape >= 0 else (b"", data)
            sink(_unquote(data))
            if not self._fill():
                break
        if carry:
            raise Malformed("a malformed escape")

    def drain(self):
        """Reads the rest of the body without keeping it."""
        while self._left:
            self._buffer = b""
            self._fill()


class _Base64Spool:
    """Decodes base64 in the URL alphabet, piece by piece, into a file."""

    def __init__(self, file):
        self._file = file
        self._carry = b""
        self.size = 0

    def __call__(self, chars):
        if not _BASE64URL.fullmatch(chars):
            raise Malformed("the copy is not base64")
        chars = self._carry + chars
        whole = len(chars) - len(chars) % 4
        self._write(chars[:whole])
        self._carry = chars[whole:]

    def _write(self, chars):
        if chars:
            data = base64.urlsafe_b64decode(chars)
            self._file.write(data)
            self.size += len(data)

    def finish(self):
        if len(self._carry) == 1:
            raise Malformed("the copy is not base64")
        self._write(self._carry + b"=" * (-len(self._carry) % 4))
        self._carry = b""


def make_app(store, requests_at_once=None):
    """The service over store. At most requests_at_once requests (default
    REQUESTS_AT_ONCE) are worked on at once; the others wait up to
    BUSY_WAIT_SECONDS for their turn, then get 503."""
    turns = threading.BoundedSemaphore(requests_at_once or REQUESTS_AT_ONCE)

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
        if not turns.acquire(timeout=BUSY_WAIT_SECONDS):
            start_response("503 Service Unavailable", [("Content-Type", "text/plain; charset=utf-8"),
                                                       ("Content-Length", "5"), ("Retry-After", "10")])
            return [b"busy\n"]
        try:
            return _serve(store, start_response, _FormReader(environ["wsgi.input"], length))
        except (Malformed, UnicodeDecodeError):
            return _reply(start_response, "400 Bad Request", b"malformed request\n")
        finally:
            turns.release()

    return app


def _serve(store, start_response, form):
    # The account's fields come first: the copy is neither read nor decoded
    # for a request that fails to authenticate.
    fields = {}
    name = form.next_name()
    while name is not None and name != "data":
        if name not in ("op", "email", "password") or name in fields:
            raise Malformed("an unknown or repeated field")
        fields[name] = form.short_value()
        name = form.next_name()
    if len(fields) != 3:
        raise Malformed("a missing field")
    key = store.check(fields["email"], fields["password"])
    if key is None:
        # A short rest is read so that the client gets the reply; a long
        # one is left, and the connection closes unread.
        if form.unread <= DRAIN_BYTES:
            form.drain()
        return _reply(start_response, "401 Unauthorized", b"wrong e-mail address or password\n")
    if fields["op"] == "download":
        if name is not None:
            raise Malformed("a download carries no copy")
        size, pieces = store.open_copy(key)
        start_response("200 OK", [("Content-Type", "application/octet-stream"), ("Content-Length", str(size))])
        return pieces
    if fields["op"] != "upload":
        raise Malformed("an unknown operation")
    if name is None:
        raise Malformed("an upload without a copy")
    with tempfile.TemporaryFile() as spool:
        decoder = _Base64Spool(spool)
        form.stream_last_value(decoder)
        decoder.finish()
        spool.seek(0)
        version = check_copy(spool)
        spool.seek(0)
        if not store.put_copy(key, spool, decoder.size, version):
            return _reply(start_response, "409 Conflict", b"the account's copy has changed\n")
    return _reply(start_response, "200 OK", b"OK\n")


def application(environ, start_response):
    """The service over the database file that KVX_SYNC_DB names."""
    global _default_app
    if _default_app is None:
        _default_app = make_app(open_store(os.environ["KVX_SYNC_DB"]))
    return _default_app(environ, start_response)


_default_app = None


class _QuietHandler(WSGIRequestHandler):
    def log_message(self, format, *args):
        pass


class TlsServer(socketserver.ThreadingMixIn, WSGIServer):
    """wsgiref's server, one thread per connection (at most
    CONNECTIONS_AT_ONCE; more wait to be accepted), TLS on each accepted
    connection (the handshake runs in the connection's thread)."""

    daemon_threads = True

    def __init__(self, address, context):
        self.context = context
        self._connections = threading.BoundedSemaphore(CONNECTIONS_AT_ONCE)
        super().__init__(address, _QuietHandler)

    def process_request(self, request, client_address):
        self._connections.acquire()
        try:
            super().process_request(request, client_address)
        except BaseException:
            self._connections.release()
            raise

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self._connections.release()

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
    store = open_store(arguments.db)
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
    if not open_store(arguments.db).create_account(arguments.email, password):
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
