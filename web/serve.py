#!/usr/bin/env python3
"""Serves the site folder on 127.0.0.1 until Ctrl-C:
    web/serve.py <site folder> <port> [--header-timeout SECONDS] [--max-connections N]

Binds first and prints the address only once the port is its own; a port another program holds is
one line on standard error and status 1. Serves the site's files and nothing else: no folder
listings, nothing outside the folder, 400 for a path no file can have (a NUL byte in it). Every
answer carries the cross-origin isolation headers that give the page's timer its full precision,
and asks browsers to check for a newer file before using a cached copy (the files keep their names
from one build to the next). A client that accepts gzip gets the files gzipped, compressed once
per version of each file and kept in memory.

A connection must send its whole request head within the header time-out (10 s unless told), or it
is closed: a client trickling its headers cannot hold a thread for long. At most --max-connections
(64 unless told) are served at once; one more is answered 503 at once and closed.
"""
import argparse
import email.utils
import errno
import functools
import gzip
import http.server
import io
import os
import socket
import sys
import threading
import time
import urllib.parse

# The longest a request may keep its connection once its head has arrived: sending a file to a
# client that stops reading gives up after this long without progress.
SEND_TIMEOUT_SECONDS = 30


class DeadlineReader(io.RawIOBase):
    """The socket's incoming bytes, every read bound by one deadline for the whole request head:
    a per-read time-out alone would let a byte every few seconds keep a connection forever."""

    def __init__(self, connection):
        super().__init__()
        self.connection = connection
        self.deadline = None

    def readable(self):
        return True

    def readinto(self, buffer):
        if self.deadline is not None:
            remaining = self.deadline - time.monotonic()
            if remaining <= 0:
                raise TimeoutError('the request head took too long')
            self.connection.settimeout(remaining)
        return self.connection.recv_into(buffer)


class GzipCache:
    """Gzipped copies of the site's files, keyed by path, size and modification time."""

    def __init__(self):
        self.lock = threading.Lock()
        self.entries = {}

    def get(self, path, stat):
        key = (stat.st_size, stat.st_mtime_ns)
        with self.lock:
            entry = self.entries.get(path)
            if entry and entry[0] == key:
                return entry[1]
        with open(path, 'rb') as file:
            compressed = gzip.compress(file.read(), compresslevel=6, mtime=0)
        with self.lock:
            self.entries[path] = (key, compressed)
        return compressed


def accepts_gzip(header):
    """Whether an Accept-Encoding value allows gzip (a q of 0 refuses it)."""
    for item in (header or '').split(','):
        name, _, parameters = item.strip().partition(';')
        if name.strip().lower() not in ('gzip', '*'):
            continue
        quality = parameters.strip()
        if quality.startswith('q='):
            try:
                return float(quality[2:]) > 0
            except ValueError:
                return False
        return True
    return False


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript', '.data': 'application/octet-stream'}

    def __init__(self, *args, header_timeout, gzip_cache, **kwargs):
        self.header_timeout = header_timeout
        self.gzip_cache = gzip_cache
        super().__init__(*args, **kwargs)

    def setup(self):
        super().setup()
        self.reader = DeadlineReader(self.connection)
        self.rfile = io.BufferedReader(self.reader)

    def handle_one_request(self):
        self.reader.deadline = time.monotonic() + self.header_timeout
        super().handle_one_request()

    def parse_request(self):
        parsed = super().parse_request()
        self.reader.deadline = None
        self.connection.settimeout(SEND_TIMEOUT_SECONDS)
        if parsed and '\0' in urllib.parse.unquote(self.path):
            self.send_error(400, 'Bad request: a NUL byte in the path')
            return False
        return parsed

    def list_directory(self, path):
        self.send_error(404, 'Not found')
        return None

    def send_head(self):
        try:
            return self.send_file_head()
        except ValueError:
            # A path the file system cannot hold (a lone surrogate, say): no such file.
            self.send_error(400, 'Bad request: a path no file can have')
            return None

    def send_file_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path) or not accepts_gzip(self.headers.get('Accept-Encoding')):
            return super().send_head()
        try:
            stat = os.stat(path)
        except OSError:
            return super().send_head()
        if path.endswith('/') or not os.path.isfile(path):
            return super().send_head()
        if self.not_modified(stat):
            self.send_response(304)
            self.send_header('Vary', 'Accept-Encoding')
            self.end_headers()
            return None
        try:
            body = self.gzip_cache.get(path, stat)
        except OSError:
            self.send_error(404, 'File not found')
            return None
        self.send_response(200)
        self.send_header('Content-type', self.guess_type(path))
        self.send_header('Content-Encoding', 'gzip')
        self.send_header('Vary', 'Accept-Encoding')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Last-Modified', self.date_time_string(stat.st_mtime))
        self.end_headers()
        return io.BytesIO(body)

    def not_modified(self, stat):
        since = self.headers.get('If-Modified-Since')
        if not since or self.headers.get('If-None-Match'):
            return False
        try:
            when = email.utils.parsedate_to_datetime(since)
        except (TypeError, ValueError, IndexError, OverflowError):
            return False
        return when is not None and when.tzinfo is not None and int(stat.st_mtime) <= when.timestamp()

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, format, *args):
        pass


class BoundedServer(http.server.ThreadingHTTPServer):
    """One thread a connection, at most `limit` at once; the one past it gets 503 and is closed."""
    daemon_threads = True
    # Connections past the bound are accepted and answered, not left to the listening queue.
    request_queue_size = 128

    def __init__(self, address, handler, limit):
        self.slots = threading.BoundedSemaphore(limit)
        super().__init__(address, handler)

    def process_request(self, request, client_address):
        if not self.slots.acquire(blocking=False):
            try:
                request.settimeout(1)
                request.sendall(b'HTTP/1.0 503 Service Unavailable\r\nContent-Length: 0\r\n'
                                b'Retry-After: 5\r\nConnection: close\r\n\r\n')
                request.shutdown(socket.SHUT_WR)
                # Closing with the client's bytes unread would reset the connection and could lose
                # the answer: what has arrived is read first, without waiting for more.
                request.setblocking(False)
                while request.recv(65536):
                    pass
            except OSError:
                pass
            request.close()
            return
        try:
            super().process_request(request, client_address)
        except BaseException:
            self.slots.release()
            raise

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self.slots.release()

    def handle_error(self, request, client_address):
        # A client that goes away mid-answer is no error of the server's; anything else is one line.
        error = sys.exc_info()[1]
        if isinstance(error, (ConnectionError, TimeoutError, socket.timeout)):
            return
        print(f'web.sh: a request from {client_address[0]} failed: {error!r}', file=sys.stderr)


def main():
    arguments = argparse.ArgumentParser(prog='web/serve.py',
                                        description='Serves the site folder on 127.0.0.1.')
    arguments.add_argument('site')
    arguments.add_argument('port', type=int)
    arguments.add_argument('--header-timeout', type=float, default=10.0)
    arguments.add_argument('--max-connections', type=int, default=64)
    options = arguments.parse_args()
    if options.header_timeout <= 0 or options.max_connections < 1:
        print('web.sh: the header time-out and the connection bound must be positive', file=sys.stderr)
        return 2
    handler = functools.partial(SiteHandler, directory=options.site, header_timeout=options.header_timeout,
                                gzip_cache=GzipCache())
    try:
        server = BoundedServer(('127.0.0.1', options.port), handler, options.max_connections)
    except OSError as error:
        if error.errno == errno.EADDRINUSE:
            print(f'web.sh: port {options.port} is taken by another program: choose another with --port N',
                  file=sys.stderr)
        else:
            print(f'web.sh: cannot serve on port {options.port}: {error.strerror}', file=sys.stderr)
        return 1
    print(f'Open http://127.0.0.1:{options.port}/ in a browser and press Start (Ctrl-C stops the server).',
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
