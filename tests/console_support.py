"""The server with its operator console on a scratch copy of the example project,
for the console's integration and browser tests. Everything talks to 127.0.0.1
only, on ports the kernel hands out, so that tests running side by side do not
collide."""

import collections
import http.client
import json
import os
import shutil
import socket
import struct
import subprocess
import tempfile
import time
import urllib.parse

BIN_DIR = os.environ.get("ORLUND_BIN_DIR", "build/bin")
SOURCE_DIR = os.environ.get("ORLUND_SOURCE_DIR", ".")

# A user of level 0 beside the example's three: the console must refuse it.
NOBODY = {"name": "Nobody", "password": "nobody", "level": 0}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, limit=10.0, step=0.05):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class ConsoleServer:
    """The server on a fresh example project, its console on a free port."""

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="orlund_console_")
        self.project = os.path.join(self.home, "project") + "/"
        self.port = free_port()
        self.console_port = free_port()
        examples = os.path.join(self.home, "examples")
        shutil.copytree(os.path.join(SOURCE_DIR, "examples", "project"),
                        os.path.join(examples, "project"))
        with open(os.path.join(SOURCE_DIR, "examples", "project.json")) as f:
            source = json.load(f)
        source["users"].append(NOBODY)
        with open(os.path.join(examples, "project.json"), "w") as f:
            json.dump(source, f)
        subprocess.run([os.path.join(BIN_DIR, "make-example-project"), examples, self.project],
                       check=True)
        ini_path = self.project + "Orlund_Server.ini"
        with open(ini_path, newline="") as f:
            ini = f.read()
        ini = ini.replace("ActiveXServerPort=58658", "ActiveXServerPort=%d" % self.port)
        ini = ini.replace("ActiveXConsolePort=58659", "ActiveXConsolePort=%d" % self.console_port)
        # The tests' wire clients only talk when they ask something: on a busy
        # machine a slow page must not cost them their connection.
        ini = ini.replace("ActiveXKeepAliveInterval=5000", "ActiveXKeepAliveInterval=60000")
        with open(ini_path, "w", newline="") as f:
            f.write(ini)
        env = dict(os.environ,
                   ORLUND_REGISTRY_ROOT=os.path.join(self.home, "registry"),
                   XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   ORLUND_COMMAND_QUEUE=os.path.join(self.home, "queue"))
        self.out_path = os.path.join(self.home, "server.out")
        with open(self.out_path, "wb") as out:
            self.process = subprocess.Popen(
                [os.path.join(BIN_DIR, "orlund-activex-server"), "/PATH:" + self.project],
                stdout=out, stderr=subprocess.STDOUT, env=env)
        if not wait_for(lambda: "Operator console:" in self.output() or
                        self.process.poll() is not None):
            raise RuntimeError("the server did not start:\n" + self.output())
        if self.process.poll() is not None:
            raise RuntimeError("the server ended:\n" + self.output())
        self.url = "http://127.0.0.1:%d" % self.console_port

    def output(self):
        with open(self.out_path, errors="replace") as f:
            return f.read()

    # A server that does not end within 10 s of SIGTERM is killed, and the
    # wait's timeout fails the test.
    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        finally:
            self.process.kill()
            shutil.rmtree(self.home, ignore_errors=True)


class Response(collections.namedtuple("Response", "status headers body")):
    def text(self):
        return self.body.decode("utf-8")

    def json(self):
        return json.loads(self.body)


class Browser:
    """A cookie-keeping HTTP client of the console, one request per connection."""

    def __init__(self, server):
        self.server = server
        self.cookie = None

    def request(self, method, path, body=None, headers=None):
        all_headers = dict(headers or {})
        if self.cookie:
            all_headers["Cookie"] = self.cookie
        if isinstance(body, dict):
            body = urllib.parse.urlencode(body)
            all_headers.setdefault("Content-Type", "application/x-www-form-urlencoded")
        connection = http.client.HTTPConnection("127.0.0.1", self.server.console_port, timeout=15)
        try:
            connection.request(method, path, body=body, headers=all_headers)
            response = connection.getresponse()
            result = Response(response.status, response.headers, response.read())
        finally:
            connection.close()
        cookie = result.headers.get("Set-Cookie")
        if cookie:
            value = cookie.split(";")[0]
            self.cookie = None if value.endswith("=") else value
        return result

    def get(self, path, **kwargs):
        return self.request("GET", path, **kwargs)

    def post(self, path, body=None, **kwargs):
        return self.request("POST", path, body=body, **kwargs)

    def login(self, password):
        return self.post("/login", {"password": password})

    def form_token(self):
        return self.get("/api/overview").json()["viewer"]["form_token"]


class WireClient:
    """A client of the wire protocol: framed packets over TCP."""

    def __init__(self, port):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.packets = self.socket.makefile("rb")

    def close(self):
        self.packets.close()
        self.socket.close()

    def send(self, packet_type, payload=b""):
        self.socket.sendall(struct.pack(">BI", packet_type, len(payload)) + payload)

    def read(self):
        """The next packet that is not a keep-alive: (type, payload)."""
        while True:
            header = self.packets.read(5)
            if len(header) < 5:
                raise ConnectionError("the server closed the connection")
            packet_type, length = struct.unpack(">BI", header)
            payload = self.packets.read(length)
            if packet_type != 0:
                return packet_type, payload

    def start(self):
        """Reads the four start packets; returns their types."""
        return [self.read()[0] for _ in range(4)]

    def request(self, packet_type, payload=b""):
        self.send(packet_type, payload)
        return self.read()


def wire_string(text):
    data = text.encode("cp1252")
    return struct.pack(">H", len(data)) + data
