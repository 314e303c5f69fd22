"""A small HTTP server for the folder-loading tests: serves a folder, and answers a few
special names with the faults a real server can show (stall…, trickle…, loop…, reset…,
empty…, huge…, and the pages /long/, /stall/, /trickle/, /loop/, /redirect/…;
/slowhops/MS/N/rest redirects N times, MS milliseconds a hop; /delay/MS/rest answers /rest after MS
milliseconds, so a folder under it is served slowly, picture by picture; /drip/MS/rest serves
the files under /rest 256 bytes at a time, MS milliseconds apart: slow, but never stalled).
Prints its port on the first line of
standard output, then serves until it is killed.

Usage: fault_server.py ROOT
"""
import http.server
import os
import socket
import socketserver
import struct
import sys
import time

ROOT = os.path.abspath(sys.argv[1])


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body go out in separate writes; without this each kept-alive request waits
    # for the client's delayed acknowledgement.
    disable_nagle_algorithm = True

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def log_message(self, *args):
        pass

    def send_body(self, status, body, content_type="text/html"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?")[0]
        if path.startswith("/delay/"):
            parts = path.split("/", 3)
            time.sleep(int(parts[2]) / 1000.0)
            self.path = path = "/" + (parts[3] if len(parts) > 3 else "")
        if path.startswith("/drip/"):
            parts = path.split("/", 3)
            rest = "/" + (parts[3] if len(parts) > 3 else "")
            local = os.path.join(ROOT, rest.lstrip("/"))
            if not os.path.isfile(local):
                self.path = rest
                super().do_GET()
                return
            with open(local, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            try:
                for start in range(0, len(body), 256):
                    self.wfile.write(body[start:start + 256])
                    self.wfile.flush()
                    time.sleep(int(parts[2]) / 1000.0)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        if path.startswith("/slowhops/"):
            # /slowhops/MS/N/REST: every hop waits MS milliseconds, then redirects to the next,
            # N hops in all, and the last serves /REST.
            parts = path.split("/", 4)
            time.sleep(int(parts[2]) / 1000.0)
            hops = int(parts[3])
            rest = parts[4] if len(parts) > 4 else ""
            if hops > 0:
                self.send_response(302)
                self.send_header("Location", "/slowhops/%s/%d/%s" % (parts[2], hops - 1, rest))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.path = path = "/" + rest
        # Faults are chosen by the start of the last path segment, so that a folder page can
        # link to them like any other picture.
        name = path.rsplit("/", 1)[-1]
        if name.startswith("stall") or path.startswith("/stall/"):
            # Accept the request, answer nothing, keep the connection open.
            time.sleep(3600)
            return
        if name.startswith("trickle") or path.startswith("/trickle/"):
            # Two bytes a second: just fast enough never to count as stalled. Bounded, so
            # that the server's thread ends by itself.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            try:
                for _ in range(600):
                    self.wfile.write(b"<a")
                    self.wfile.flush()
                    time.sleep(1)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        if name.startswith("loop") or path.startswith("/loop/"):
            self.send_response(302)
            self.send_header("Location", path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if path.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", path[len("/redirect"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if name.startswith("reset"):
            # Promise a whole picture, send part of it, then reset the connection.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"GIF89a" + b"\0" * 1000)
            self.wfile.flush()
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            # The file objects hold the socket open; close them too so the reset goes out now.
            self.rfile.close()
            self.wfile.close()
            self.connection.close()
            self.close_connection = True
            return
        if name.startswith("empty"):
            self.send_body(200, b"", "image/gif")
            return
        if name.startswith("huge"):
            # A body without a length that never ends, to prove the size limit holds.
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            chunk = b"\0" * 65536
            try:
                while True:
                    self.wfile.write(chunk)
            except (BrokenPipeError, ConnectionResetError):
                pass
            return
        if path == "/long/":
            # A two-megabyte listing whose only picture link is at its very end.
            filler = b"<p>" + b"x" * 1000 + b"</p>\n"
            body = b"<html><body>" + filler * 2000 + b'<a href="last.bmp">last</a></body></html>'
            self.send_body(200, body)
            return
        super().do_GET()


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
