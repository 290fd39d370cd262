"""The operator console over loopback: access rules with the traffic switch, the
JSON of every /api/ page, /metrics read by the Prometheus text parser, bad HTTP
input, which must never disturb the wire protocol, and the health check. The live
packet stream is followed by the browser test."""

import shutil
import socket
import time
import unittest
from contextlib import closing

from prometheus_client.parser import text_string_to_metric_families

from console_support import Browser, ConsoleServer, WireClient, wait_for, wire_string

RECEIVER_TYPES = 4
RECEIVER_UPDATE = 100
PASSWORD = 6


def metrics(browser):
    response = browser.get("/metrics")
    assert response.status == 200, response.status
    samples = {}
    for family in text_string_to_metric_families(response.text()):
        for sample in family.samples:
            samples[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
    return samples


class ConsoleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ConsoleServer()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def admin(self):
        browser = Browser(self.server)
        self.assertEqual(browser.login("admin").status, 303)
        return browser

    def test_access_rules(self):
        anonymous = Browser(self.server)
        self.assertEqual(anonymous.get("/healthz").text(), "ok\n")
        page = anonymous.get("/")
        self.assertEqual((page.status, page.headers["Location"]), (303, "/login"))
        for path in ["/api/overview", "/metrics", "/events/packets", "/api/packets"]:
            self.assertEqual(anonymous.get(path).status, 401, path)
        self.assertEqual(anonymous.get("/login").status, 200)

        # A wrong password is refused (its answer held back) and counted; so
        # is a user of level 0, whose password is right.
        for password in ["wrong", "NOBODY"]:
            self.assertEqual(anonymous.login(password).status, 403, password)
            self.assertIsNone(anonymous.cookie)

        # Passwords match like a type 6 login: without regard to case.
        guest = Browser(self.server)
        self.assertEqual(guest.login("GuEsT").status, 303)
        self.assertIn("HttpOnly; SameSite=Strict; Path=/", guest.request(
            "POST", "/login", {"password": "guest"}).headers["Set-Cookie"])
        overview = guest.get("/api/overview").json()
        self.assertEqual((overview["viewer"]["user"], overview["viewer"]["level"]), ("Guest", 1))
        self.assertIn("Guest", guest.get("/").text())
        token = guest.form_token()
        refused = guest.post("/api/traffic-file", {"on": "1", "form_token": token})
        self.assertEqual(refused.status, 403)
        self.assertIn("32767", refused.json()["error"])

        admin = self.admin()
        token = admin.form_token()
        # No change by a GET, none without the form token, none from another site.
        self.assertEqual(admin.get("/api/traffic-file?on=1").status, 405)
        self.assertEqual(admin.get("/traffic-file").status, 405)
        for fields, headers in [({}, {}), ({"form_token": "0" * 32}, {}),
                                ({"form_token": token}, {"Origin": "http://evil.example"})]:
            refused = admin.post("/api/traffic-file", dict(fields, on="1"), headers=headers)
            self.assertEqual(refused.status, 403, fields)
        self.assertFalse(admin.get("/api/overview").json()["traffic_file"]["on"])
        self.assertEqual(admin.get("/", headers={"Host": "evil.example"}).status, 400)
        # Scripts may send the token as a header; the console's own origin is no other site.
        switched = admin.post("/api/traffic-file", {"on": "1"},
                              headers={"X-Form-Token": token, "Origin": self.server.url})
        self.assertEqual(switched.json(), {"on": True})
        self.assertEqual(admin.post("/api/traffic-file", {"on": "0", "form_token": token})
                         .json(), {"on": False})

        # A session that has ended (logged out, or idle for 12 hours) opens nothing.
        old_cookie = admin.cookie
        self.assertEqual(admin.post("/logout", {"form_token": token}).status, 303)
        stale = Browser(self.server)
        stale.cookie = old_cookie
        self.assertEqual(stale.get("/api/overview").status, 401)
        self.assertEqual(stale.get("/").headers["Location"], "/login")

        failed = metrics(self.admin())
        self.assertGreaterEqual(failed[("orlund_logins_failed_total", (("via", "console"),))], 1)

    def test_json_of_every_page(self):
        admin = self.admin()
        with closing(WireClient(self.server.port)) as wire:
            wire.start()
            wire.request(PASSWORD, wire_string("operator"))
            wire.request(RECEIVER_TYPES)

            overview = admin.get("/api/overview").json()
            self.assertEqual(overview["version"], "1.00.06")
            self.assertEqual(overview["listening"]["port"], self.server.port)
            self.assertEqual(overview["clients"], {"connected": 1, "limit": 100})
            self.assertEqual(set(overview["tables"]), {"receivers", "profiles"})

            clients = admin.get("/api/clients").json()["clients"]
            self.assertEqual([(c["address"], c["user"], c["level"]) for c in clients],
                             [("127.0.0.1", "Operator", 100)])

            packets = admin.get("/api/packets").json()
            self.assertTrue(any(line.endswith("NETWORK_COMMON_RECEIVERTYPES")
                                for line in packets["lines"]), packets["lines"])
            log = admin.get("/api/log").json()
            self.assertTrue(any("XSV Client admitted: 127.0.0.1" in line
                                for line in log["lines"]), log)
            self.assertTrue(log["file"].endswith(".Log"))

            receivers = admin.get("/api/receivers").json()["receivers"]
            self.assertEqual([r["name"] for r in receivers],
                             ["Boiler room pager", "Duty manager", "Fire brigade", "Maintenance"])
            self.assertEqual(receivers[0]["settings"][0], "1234567")
            types = admin.get("/api/receiver-types").json()["receiver_types"]
            self.assertEqual([t["number"] for t in types], [1, 2, 3])

            profiles = admin.get("/api/profiles").json()["profiles"]
            self.assertEqual(sorted(p["name"] for p in profiles),
                             ["Night watch", "Office hours", "Weekend duty"])
            office = admin.get("/api/profiles/Office%20hours").json()
            self.assertEqual(office["day_types"][4]["periods"], [{"start": "07:00",
                                                                  "stop": "13:00"}])
            self.assertIn("<svg", office["svg"])
            self.assertEqual(admin.get("/api/profiles/Nothing").status, 404)

            december = admin.get("/api/calendar?month=2026-12").json()
            self.assertIn({"date": "2026-12-24", "day_type": 8, "name": "Half day"},
                          december["days"])
            self.assertIn({"date": "2026-12-25", "label": "Christmas Day", "shown": True},
                          december["holidays"])
            self.assertIn("December 2026", december["svg"])
            self.assertEqual(admin.get("/api/calendar?month=2040-01").status, 404)

            # The server-drawn pages, each with a row of its table.
            for path, row in [("/", ""), ("/clients", "Operator"), ("/packets", ""),
                              ("/log", "Client admitted: 127.0.0.1"),
                              ("/receivers", "Boiler room pager"),
                              ("/receiver-types", ""), ("/profiles", "Night watch"),
                              ("/profiles/Night%20watch", ""), ("/calendar?month=2027-01", "")]:
                page = admin.get(path)
                self.assertEqual(page.status, 200, path)
                self.assertIn(row, page.text(), path)
                self.assertTrue(page.headers["Content-Type"].startswith("text/html"), path)
                self.assertIn("Content-Security-Policy", page.headers)

    def test_metrics_in_the_prometheus_text_format(self):
        admin = self.admin()
        before = metrics(admin)
        key = ("orlund_requests_total", (("type", "NETWORK_COMMON_RECEIVERTYPES"),))
        with closing(WireClient(self.server.port)) as wire:
            wire.start()
            wire.request(RECEIVER_TYPES)
            after = metrics(admin)
            self.assertEqual(after[key], before[key] + 1)
            self.assertGreaterEqual(after[("orlund_clients_connected", ())], 1)
        for name in ["orlund_bytes_received_total", "orlund_bytes_sent_total"]:
            self.assertGreater(after[(name, ())], before[(name, ())], name)
        for name, labels in [
                ("orlund_saves_total", (("result", "failed"), ("table", "receivers"))),
                ("orlund_save_duration_seconds_bucket", (("le", "+Inf"),)),
                ("orlund_save_duration_seconds_count", ()),
                ("orlund_reloads_total", (("table", "profiles"),)),
                ("orlund_connections_refused_total", (("reason", "not_allowed"),)),
                ("orlund_logins_failed_total", (("via", "protocol"),))]:
            self.assertIn((name, labels), after)


class BadInputTest(unittest.TestCase):
    """Each bad request gets a clean 4xx while a wire client goes on being served;
    then a failed save makes the health check fail."""

    @classmethod
    def setUpClass(cls):
        cls.server = ConsoleServer()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def raw(self, data, limit=15):
        """Sends raw bytes; returns the status line of the answer."""
        with socket.create_connection(("127.0.0.1", self.server.console_port),
                                      timeout=limit) as s:
            s.sendall(data)
            answer = b""
            while b"\r\n" not in answer:
                chunk = s.recv(4096)
                if not chunk:
                    break
                answer += chunk
            return answer.split(b"\r\n")[0].decode()

    def test_bad_requests_get_clean_answers_and_leave_the_wire_alone(self):
        with closing(WireClient(self.server.port)) as wire:
            wire.start()
            cases = [
                (b"GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + b"a" * 9000 + b"\r\n\r\n", "431"),
                (b"POST /login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n\r\n" +
                 b"p" * 1000, "413"),
                (b"GET /no/such/page HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "404"),
                (b"GET /assets/../console.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "400"),
                (b"BREW /coffee HTCPCP/1.0\r\n\r\n", "400"),
                (b"DELETE / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "405"),
            ]
            for request, status in cases:
                self.assertIn(" " + status + " ", self.raw(request) + " ", request[:40])
                self.assertEqual(wire.request(RECEIVER_TYPES)[0], RECEIVER_TYPES)

            # A request that does not arrive whole in time gets 408.
            slow = self.raw(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n", limit=20)
            self.assertIn(" 408 ", slow)

            # Past the console's own connection limit: 429, and the wire still works.
            idle = [socket.create_connection(("127.0.0.1", self.server.console_port))
                    for _ in range(32)]
            try:
                time.sleep(0.3)
                self.assertIn(" 429 ", self.raw(b"GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n"))
                self.assertEqual(wire.request(RECEIVER_TYPES)[0], RECEIVER_TYPES)
            finally:
                for s in idle:
                    s.close()
            self.assertTrue(wait_for(lambda: Browser(self.server).get("/healthz").status == 200))

    def test_health_check_reports_a_failed_save(self):
        # Runs after the bad requests (in name order), which want a healthy server.
        receivers = self.server.project + "Receivers"
        shutil.rmtree(receivers)
        with open(receivers, "w") as f:
            f.write("not a directory")
        browser = Browser(self.server)
        with closing(WireClient(self.server.port)) as wire:
            wire.start()
            entry = (wire_string("Night desk") + b"\xff\xff\x00\x00\x00\x01" +
                     wire_string("pager") + wire_string("") * 4)
            wire.send(RECEIVER_UPDATE, entry)
            self.assertTrue(wait_for(lambda: browser.get("/healthz").status == 503, limit=5))
            self.assertIn("saving the receivers failed", browser.get("/healthz").text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
