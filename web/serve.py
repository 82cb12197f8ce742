#!/usr/bin/env python3
"""Serves the site folder on 127.0.0.1 until Ctrl-C: web/serve.py <site folder> <port>

Binds first and prints the address only once the port is its own; a port another program holds is
one line on standard error and status 1. Serves the site's files and nothing else: no folder
listings, nothing outside the folder. Every answer carries the cross-origin isolation headers that
give the page's timer its full precision, and asks browsers to check for a newer file before using
a cached copy (the files keep their names from one build to the next).
"""
import errno
import functools
import http.server
import sys


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript', '.data': 'application/octet-stream'}

    def list_directory(self, path):
        self.send_error(404, 'Not found')
        return None

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, format, *args):
        pass


def main():
    site, port = sys.argv[1], int(sys.argv[2])
    try:
        server = http.server.ThreadingHTTPServer(('127.0.0.1', port), functools.partial(SiteHandler, directory=site))
    except OSError as error:
        if error.errno == errno.EADDRINUSE:
            print(f'web.sh: port {port} is taken by another program: choose another with --port N', file=sys.stderr)
        else:
            print(f'web.sh: cannot serve on port {port}: {error.strerror}', file=sys.stderr)
        return 1
    print(f'Open http://127.0.0.1:{port}/ in a browser and press Start (Ctrl-C stops the server).', flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
