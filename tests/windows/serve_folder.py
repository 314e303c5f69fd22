"""The loopback server of the Wine tests: serves a picture folder, counts the requests for
each path, and has three faulty corners.

  /silent/...      accepts the connection and never answers
  /drip/           a page linking drip.bmp, which sends its headers and then one byte every
                   0.2 s, never finishing
  /_requests       answers "PATH COUNT" lines for every GET since the last /_requests, and
                   starts counting again

Errors carry the standard reason ("404 Not Found"). Writes the chosen port to PORTFILE once
it listens.

Usage: python3 serve_folder.py FOLDER PORTFILE
"""
import collections
import functools
import http.server
import os
import sys
import threading
import time

counts = collections.Counter()
lock = threading.Lock()


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path == "/_requests":
            with lock:
                body = "".join("%s %d\n" % item for item in sorted(counts.items())).encode()
                counts.clear()
            return self.answer(body, "text/plain")
        with lock:
            counts[path] += 1
        if path.startswith("/silent/"):
            time.sleep(3600)   # the thread ends with the server
            return
        if path == "/drip/":
            return self.answer(b'<a href="drip.bmp">drip</a>\n', "text/html")
        if path == "/drip/drip.bmp":
            self.send_response(200)
            self.send_header("Content-Type", "image/bmp")
            self.send_header("Content-Length", "1000000")
            self.end_headers()
            try:
                for _ in range(3000):
                    self.wfile.write(b"B")
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                pass   # the client gave up, as it should
            return
        super().do_GET()

    def answer(self, body, kind):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_error(self, code, message=None, explain=None):
        super().send_error(code, None, explain)

    def log_message(self, *args):
        pass


def main():
    folder, portfile = sys.argv[1], sys.argv[2]
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    server.daemon_threads = True
    with open(portfile + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(portfile + ".tmp", portfile)
    server.serve_forever()


if __name__ == "__main__":
    main()
