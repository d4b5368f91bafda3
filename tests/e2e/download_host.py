"""A stand-in for the vendor's download host, for tests and the demo.

HTTP on ports 80 and 8080, HTTPS on 443 and 8443 (a self-signed certificate made with openssl
when it starts), all inside a network namespace whose hosts file maps the download host to
127.0.0.1. Nothing here ever listens or connects outside a namespace it created itself.

Each response is chosen per (port, path) by a route: status, Location, body, announced length,
chunked transfer, trickling, stalling or cutting the connection. Routes are set

  * by the Python test that owns the server, through the server process's stdin (JSON lines),
  * or by a Windows test program inside the namespace, through GET requests to the control port
    8081: /route?port=443&path=/upd/VorneSandboxInstall.exe&status=404&... and /log.

Command line:
  download_host.py serve --host NAME              (inside a namespace; run by Namespace.start)
  download_host.py run --host NAME --prefix DIR -- PROGRAM [ARGS]
      creates a namespace with the server, runs a Windows program under Wine inside it with the
      Wine prefix DIR, prints its output, removes the namespace and exits with its code.
"""

import argparse
import http.server
import json
import os
import re
import shutil
import signal
import socket
import socketserver
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

HTTP_PORTS = (80, 8080)
HTTPS_PORTS = (443, 8443)
CONTROL_PORT = 8081
INSTALLER_PATH = "/upd/VorneSandboxInstall.exe"


def pattern_body(size):
    """The bytes of a generated body: byte i is (i * 131 + 7) & 0xFF, as in the test programs."""
    block = bytes(((i * 131 + 7) & 0xFF) for i in range(256))
    return (block * (size // 256 + 1))[:size]


class Route:
    """What one (port, path) answers. Fields, all optional:
    status (200), location, body_size or body_file, length (int; "none" omits the header;
    default the body's size), chunked, trickle_ms with trickle_bytes (1024), stall_after (bytes
    of body sent before the server goes silent), reset_after (bytes of body sent before the
    connection is reset), extra (bytes beyond the body), short (bytes cut from the end, then the
    connection closes)."""

    def __init__(self, spec):
        self.spec = dict(spec)

    def get(self, key, default=None):
        value = self.spec.get(key, default)
        return default if value is None else value


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.routes = {}
        self.log = []
        self.stop = threading.Event()

    def route(self, port, path):
        with self.lock:
            return self.routes.get((port, path)) or self.routes.get((0, path))

    def set_route(self, port, path, spec):
        with self.lock:
            self.routes[(int(port), path)] = Route(spec)

    def record(self, port, line):
        with self.lock:
            self.log.append({"port": port, "request": line, "time": time.time()})


STATE = State()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VorneTestHost/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        port = self.server.server_address[1]
        if port == CONTROL_PORT:
            return self.control()
        STATE.record(port, f"{self.command} {self.path} UA={self.headers.get('User-Agent', '')}")
        route = STATE.route(port, self.path)
        if route is None:
            return self.send_simple(404, b"not found")
        try:
            self.answer(route)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
            pass
        self.close_connection = True

    def send_simple(self, status, body, content_type="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def body(self, route):
        if route.get("body_file"):
            return None, os.path.getsize(route.get("body_file"))
        size = int(route.get("body_size", 0))
        return pattern_body(size), size

    def answer(self, route):
        status = int(route.get("status", 200))
        data, size = self.body(route)
        self.send_response(status)
        if route.get("location") is not None:
            self.send_header("Location", route.get("location"))
        self.send_header("Content-Type", "application/octet-stream")
        length = route.get("length", size)
        chunked = bool(route.get("chunked"))
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        elif length != "none":
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        if status != 200 and size == 0:
            return
        if chunked:
            payload = data if data is not None else open(route.get("body_file"), "rb").read()
            for i in range(0, len(payload), 4096):
                piece = payload[i:i + 4096]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()
            return
        extra = int(route.get("extra", 0))
        short = int(route.get("short", 0))
        send = size - short
        if route.get("body_file") and not route.get("trickle_ms") and not extra and not short \
                and route.get("stall_after") is None and route.get("reset_after") is None \
                and not isinstance(self.connection, ssl.SSLSocket):
            with open(route.get("body_file"), "rb") as f:
                self.connection.sendfile(f)
            return
        if data is None:
            with open(route.get("body_file"), "rb") as f:
                data = f.read()
        payload = data[:send] + (pattern_body(size + extra)[size:] if extra else b"")
        stall_after = route.get("stall_after")
        reset_after = route.get("reset_after")
        if reset_after is not None:
            # An abrupt end: the first bytes, then a TCP reset instead of an orderly close.
            self.wfile.write(payload[:int(reset_after)])
            self.wfile.flush()
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            self.connection.close()
            return
        trickle_ms = int(route.get("trickle_ms", 0))
        step = int(route.get("trickle_bytes", 1024)) if trickle_ms else 65536
        sent = 0
        while sent < len(payload) and not STATE.stop.is_set():
            if stall_after is not None and sent >= int(stall_after):
                STATE.stop.wait(60)
                return
            piece = payload[sent:sent + step]
            self.wfile.write(piece)
            self.wfile.flush()
            sent += len(piece)
            if trickle_ms:
                time.sleep(trickle_ms / 1000.0)
        if stall_after is not None and sent >= int(stall_after):
            STATE.stop.wait(60)

    def control(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        if url.path == "/route":
            port = int(query.pop("port", 0))
            path = query.pop("path", INSTALLER_PATH)
            spec = {}
            for key, value in query.items():
                spec[key] = value if key in ("location", "body_file", "length") else int(value)
            if spec.get("length") not in (None, "none"):
                spec["length"] = int(spec["length"])
            STATE.set_route(port, path, spec)
            return self.send_simple(200, b"ok")
        if url.path == "/reset":
            with STATE.lock:
                STATE.routes.clear()
                STATE.log.clear()
            return self.send_simple(200, b"ok")
        if url.path == "/log":
            with STATE.lock:
                lines = "".join(f"{e['port']} {e['request']}\n" for e in STATE.log)
            return self.send_simple(200, lines.encode())
        return self.send_simple(404, b"unknown control request")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def make_certificate(directory, host):
    key = os.path.join(directory, "server.key")
    cert = os.path.join(directory, "server.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", f"/CN={host}", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def serve(host):
    directory = tempfile.mkdtemp(prefix="vorne-host-")
    cert, key = make_certificate(directory, host)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    servers = []
    for port in HTTP_PORTS + HTTPS_PORTS + (CONTROL_PORT,):
        server = Server(("127.0.0.1", port), Handler)
        if port in HTTPS_PORTS:
            server.socket = context.wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        servers.append(server)
    print("ready", flush=True)
    # Commands from the owning test, one JSON object per line.
    for line in sys.stdin:
        try:
            command = json.loads(line)
        except ValueError:
            continue
        op = command.get("op")
        if op == "route":
            STATE.set_route(command.get("port", 0), command.get("path", INSTALLER_PATH),
                            command.get("spec", {}))
            print("ok", flush=True)
        elif op == "reset":
            with STATE.lock:
                STATE.routes.clear()
                STATE.log.clear()
            print("ok", flush=True)
        elif op == "log":
            with STATE.lock:
                print(json.dumps(STATE.log), flush=True)
        elif op == "quit":
            break
    STATE.stop.set()
    for server in servers:
        server.shutdown()
    shutil.rmtree(directory, ignore_errors=True)


# The names this module gives its namespaces: a prefix and the owning process id.
OWN_NAMESPACE = re.compile(r"vorne(?:e2e|bench|lat|demo)?(\d+)")


def sweep_stale_namespaces():
    """Removes namespaces of ours whose process is gone (killed before it could clean up)."""
    listing = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True).stdout
    for line in listing.splitlines():
        name = line.split()[0] if line.split() else ""
        match = OWN_NAMESPACE.fullmatch(name)
        if match and not os.path.exists(f"/proc/{match.group(1)}"):
            subprocess.run(["ip", "netns", "delete", name], stderr=subprocess.DEVNULL)
            shutil.rmtree(f"/etc/netns/{name}", ignore_errors=True)


class Namespace:
    """A network namespace of our own with loopback up and the download host on 127.0.0.1."""

    def __init__(self, host, name=None):
        self.host = host
        self.name = name or f"vorne{os.getpid()}"
        self.server = None

    def __enter__(self):
        self.create()
        return self

    def __exit__(self, *exc):
        self.delete()

    def create(self):
        sweep_stale_namespaces()
        subprocess.run(["ip", "netns", "delete", self.name], stderr=subprocess.DEVNULL)
        subprocess.run(["ip", "netns", "add", self.name], check=True)
        subprocess.run(["ip", "netns", "exec", self.name, "ip", "link", "set", "lo", "up"],
                       check=True)
        os.makedirs(f"/etc/netns/{self.name}", exist_ok=True)
        with open(f"/etc/netns/{self.name}/hosts", "w") as f:
            f.write(f"127.0.0.1 localhost {self.host}\n::1 localhost\n")

    def delete(self):
        self.stop_server()
        subprocess.run(["ip", "netns", "delete", self.name], stderr=subprocess.DEVNULL)
        shutil.rmtree(f"/etc/netns/{self.name}", ignore_errors=True)

    def command(self, argv):
        return ["ip", "netns", "exec", self.name] + list(argv)

    def start_server(self):
        self.server = subprocess.Popen(
            self.command([sys.executable, os.path.abspath(__file__), "serve", "--host",
                          self.host]),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if self.server.stdout.readline().strip() != "ready":
            raise RuntimeError("the download host did not start")

    def stop_server(self):
        if self.server is not None:
            try:
                self.server.stdin.write('{"op": "quit"}\n')
                self.server.stdin.flush()
                self.server.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.server.kill()
                self.server.wait()
            self.server = None

    def send(self, command):
        self.server.stdin.write(json.dumps(command) + "\n")
        self.server.stdin.flush()
        return self.server.stdout.readline().strip()

    def route(self, spec, port=0, path=INSTALLER_PATH):
        """Sets what (port, path) answers; port 0 stands for every port without its own route."""
        return self.send({"op": "route", "port": port, "path": path, "spec": spec})

    def reset(self):
        return self.send({"op": "reset"})

    def log(self):
        return json.loads(self.send({"op": "log"}))


def wine_environment(prefix):
    env = dict(os.environ)
    env.update({"WINEPREFIX": prefix, "WINEARCH": "win32", "WINEDEBUG": "-all",
                "WINEDLLOVERRIDES": "mscoree,mshtml="})
    return env


def prepare_prefix(namespace, prefix):
    """Makes the prefix once and (re)starts its wineserver inside the namespace: the wineserver
    owns the sockets, and one started outside would connect nowhere (12029)."""
    env = wine_environment(prefix)
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, stderr=subprocess.DEVNULL)
    stamp = os.path.join(prefix, ".vorne-ready")
    if not os.path.exists(stamp):
        os.makedirs(os.path.dirname(prefix) or ".", exist_ok=True)
        subprocess.run(namespace.command(["wineboot", "-i"]), env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(namespace.command(["wine", "reg", "add",
                                          "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed",
                                          "/t", "REG_SZ", "/d", "N", "/f"]),
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env)
        open(stamp, "w").close()
    # The first wine command inside the namespace starts the wineserver there.
    subprocess.run(namespace.command(["wine", "cmd", "/c", "exit"]), env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return env


def shut_prefix(prefix):
    subprocess.run(["wineserver", "-k"], env=wine_environment(prefix), stderr=subprocess.DEVNULL)


def run(host, prefix, program):
    with Namespace(host) as namespace:
        namespace.start_server()
        try:
            env = prepare_prefix(namespace, prefix)
            with tempfile.TemporaryFile() as out:
                result = subprocess.run(namespace.command(["wine"] + program), env=env,
                                        stdout=out, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)
                out.seek(0)
                sys.stdout.write(out.read().decode(errors="replace"))
            return result.returncode
        finally:
            shut_prefix(prefix)


def main():
    # CTest ends a test that runs too long with SIGTERM: clean up as on any other exit.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    serve_parser = sub.add_parser("serve")
    serve_parser.add_argument("--host", required=True)
    run_parser = sub.add_parser("run")
    run_parser.add_argument("--host", required=True)
    run_parser.add_argument("--prefix", required=True)
    run_parser.add_argument("program", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.command == "serve":
        serve(args.host)
        return 0
    program = args.program[1:] if args.program[:1] == ["--"] else args.program
    return run(args.host, os.path.abspath(args.prefix), program)


if __name__ == "__main__":
    sys.exit(main())
