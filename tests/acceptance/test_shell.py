"""The server shell from the outside: headless start, ports, stop and restart, signals, the
registry lookup's errors."""
import os
import time
import unittest

from quillara_process import (STOP_SIGNALS, Quillara, can_connect, connect, free_port, open_descriptors,
                              wait_for_sockets, wait_until)


class HeadlessShellTest(unittest.TestCase):
    def start(self, port_text, prefix="win64"):
        q = Quillara(port_text, prefix)
        self.addCleanup(q.close)
        return q

    def test_starts_on_both_families_and_reports_its_state(self):
        port = free_port()
        q = self.start(str(port))
        self.assertTrue(q.next_line().startswith("Ip: "))
        q.expect(f"Porta: {port}", "Server in funzione")
        self.assertTrue(can_connect("127.0.0.1", port))
        self.assertTrue(can_connect("::1", port))

    def test_hex_and_wrapped_port_texts(self):
        port = free_port()
        for text in (f"${port:X}", f" 0x{port:x}", str(port + 65536)):
            with self.subTest(text=text):
                q = self.start(text)
                q.next_line()
                q.expect(f"Porta: {text}", "Server in funzione")
                self.assertTrue(can_connect("127.0.0.1", port))
                q.send("Termina")
                self.assertEqual(q.wait(), 0)

    def test_bad_port_texts_exit_with_the_message(self):
        for text in ("", "abc", "80 80", "$", "99999999999"):
            with self.subTest(text=text):
                q = self.start(text)
                self.assertEqual(q.wait(), 1)
                self.assertEqual(q.next_line(errors=True), f"'{text}' is not a valid integer value.")

    def test_second_instance_fails_while_the_first_keeps_serving(self):
        port = free_port()
        first = self.start(str(port))
        first.next_line(), first.next_line(), first.next_line()
        second = self.start(str(port))
        self.assertEqual(second.wait(), 1)
        self.assertEqual(second.next_line(errors=True),
                         "Could not bind socket. Address and port are already in use.")
        self.assertTrue(can_connect("127.0.0.1", port))
        self.assertTrue(can_connect("::1", port))

    def test_arresta_closes_listener_and_idle_client_and_avvia_listens_again(self):
        port = free_port()
        q = self.start(str(port))
        q.next_line(), q.next_line()
        q.expect("Server in funzione")
        sockets = open_descriptors(q.proc.pid, "socket:") or 0
        idle = connect("127.0.0.1", port)
        wait_for_sockets(q.proc.pid, sockets + 1, fallback=0.3)
        q.send("arresta")
        q.expect("Server non in funzione")
        self.assertEqual(idle.recv(10), b"")  # closed by the stop
        idle.close()
        self.assertFalse(can_connect("127.0.0.1", port))
        q.send("AVVIA")
        q.expect("Server in funzione")
        self.assertTrue(can_connect("127.0.0.1", port))
        self.assertTrue(can_connect("::1", port))

    def test_restart_right_after_heavy_traffic(self):
        port = free_port()
        q = self.start(str(port))
        q.next_line(), q.next_line(), q.next_line()
        for _ in range(300):
            s = connect("127.0.0.1", port)
            s.sendall(b"GET / HTTP/1.1\r\nHost: x\r\n\r\n")
            s.recv(10)
            s.close()
        q.send("Arresta")
        q.expect("Server non in funzione")
        q.send("Avvia")
        q.expect("Server in funzione")
        self.assertTrue(can_connect("127.0.0.1", port))

    def test_sigterm_with_an_idle_client_exits_zero(self):
        for sig in STOP_SIGNALS:
            with self.subTest(signal=sig):
                port = free_port()
                q = self.start(str(port))
                q.next_line(), q.next_line(), q.next_line()
                sockets = open_descriptors(q.proc.pid, "socket:") or 0
                idle = connect("127.0.0.1", port)
                wait_for_sockets(q.proc.pid, sockets + 1, fallback=0.3)
                started = time.monotonic()
                q.proc.send_signal(sig)
                self.assertEqual(q.wait(5), 0)
                self.assertLess(time.monotonic() - started, 3)
                self.assertEqual(q.next_line(), "Server non in funzione")
                idle.close()

    def test_end_of_input_keeps_the_server_running(self):
        port = free_port()
        q = self.start(str(port))
        q.next_line(), q.next_line(), q.next_line()
        q.proc.stdin.close()
        time.sleep(0.5)
        self.assertIsNone(q.proc.poll())
        self.assertTrue(can_connect("127.0.0.1", port))
        q.proc.send_signal(STOP_SIGNALS[0])
        self.assertEqual(q.wait(), 0)

    def test_registry_trouble_never_stops_the_server(self):
        cases = {
            "wrong-type": "Invalid data type for 'ExportPath'",  # "'" sorts before ".": no full stop
            "malformed": None,
            None: None,  # no prefix at all
        }
        for prefix, error in cases.items():
            with self.subTest(prefix=prefix):
                port = free_port()
                q = self.start(str(port), prefix)
                q.next_line(), q.next_line()
                q.expect("Server in funzione")
                if error:
                    self.assertEqual(q.next_line(errors=True), error)
                self.assertTrue(wait_until(lambda: can_connect("127.0.0.1", port)))
                q.send("Termina")
                self.assertEqual(q.wait(), 0)
                self.assertTrue(q.errors.empty() or error)


if __name__ == "__main__":
    unittest.main()
