#!/usr/bin/env python3
"""A static file server for the browser build, on 127.0.0.1 only.

Python's http.server with the WebAssembly type (older Pythons do not know .wasm) and
no caching, so a rebuilt page is always fetched anew. --port 0 picks a free port;
--ready-file writes the chosen port there once the server listens (for the browser
test). --hide NAME answers 404 for that file (the browser test's missing music);
--garble NAME serves 64 KiB of bytes that are no file of that kind in its place (the
undecodable music); --misses FILE appends the path of every request answered 404
there (the page asks for nothing that is not there).
"""
import argparse
import functools
import io
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    hidden = set()
    garbled = set()
    misses = None
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{'.wasm': 'application/wasm', '.js': 'text/javascript',
                             '.mp3': 'audio/mpeg'})

    def send_head(self):
        name = self.path.split('?', 1)[0].rsplit('/', 1)[-1]
        if name in self.hidden:
            self.send_error(404, 'File not found')
            return None
        if name in self.garbled:
            body = b'\x5a' * 65536
            self.send_response(200)
            self.send_header('Content-Type', self.guess_type(name))
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            return io.BytesIO(body)
        return super().send_head()

    def send_error(self, code, message=None, explain=None):
        if code == 404 and self.misses:
            with open(self.misses, 'a') as f:
                f.write(self.path + '\n')
        super().send_error(code, message, explain)

    def end_headers(self):
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def log_message(self, fmt, *args):
        if self.server.quiet:
            return
        super().log_message(fmt, *args)


def main():
    p = argparse.ArgumentParser()
    p.add_argument('--root', required=True)
    p.add_argument('--port', type=int, default=8000)
    p.add_argument('--ready-file')
    p.add_argument('--hide', action='append', default=[])
    p.add_argument('--garble', action='append', default=[])
    p.add_argument('--misses')
    p.add_argument('--quiet', action='store_true')
    a = p.parse_args()
    Handler.hidden = set(a.hide)
    Handler.garbled = set(a.garble)
    Handler.misses = a.misses
    handler = functools.partial(Handler, directory=a.root)
    with http.server.ThreadingHTTPServer(('127.0.0.1', a.port), handler) as httpd:
        httpd.quiet = a.quiet
        if a.ready_file:
            with open(a.ready_file, 'w') as f:
                f.write(str(httpd.server_address[1]))
        try:
            httpd.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
