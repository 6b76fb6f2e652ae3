"""The module pool under real load: 32 requests held inside handlers (each waiting to open a
named pipe in the web root, which blocks until a writer comes), a 33rd that waits for a module
and gets the pool message only when none frees in time, one that is served once they are
released; and many clients at once, none of them refused."""
import os
import threading
import time
import unittest

from quillara_process import (Quillara, ServerFixture, connect, free_port, linux_only, raw_exchange, split_response,
                              wait_until)

GET_HOME = b"GET / HTTP/1.1\r\nHost: h\r\n\r\n"


def fifo_openers(pid):
    """Threads of the process waiting in the kernel for a named pipe's other end; None when the
    kernel does not tell where threads wait."""
    places = []
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/wchan") as f:
                places.append(f.read().strip())
        except OSError:
            pass  # ended meanwhile
    if all(p in ("", "0") for p in places):
        return None
    return sum(p == "wait_for_partner" for p in places)


@linux_only("the handlers are held on a Unix named pipe, which Wine's file calls do not wait on")
class ModulePoolTest(unittest.TestCase):
    def test_thirty_third_request_waits_then_gets_the_pool_message(self):
        port = free_port()
        q = Quillara(str(port), "win64")
        self.addCleanup(q.close)
        for _ in range(3):
            q.next_line()
        fifo = os.path.join(q.app, "hold.html")
        os.mkfifo(fifo)
        answers = []
        lock = threading.Lock()

        def held(request=b"GET /hold.html HTTP/1.1\r\nHost: h\r\n\r\n"):
            a = raw_exchange(port, request, timeout=30)
            with lock:
                answers.append(a)

        threads = [threading.Thread(target=held) for _ in range(32)]
        for t in threads:
            t.start()
        # all 32 are inside their handlers once the server has 32 readers waiting on the pipe
        if fifo_openers(q.proc.pid) is None:
            time.sleep(1.5)
        else:
            wait_until(lambda: fifo_openers(q.proc.pid) >= 32, timeout=10)
        start = time.monotonic()
        line, headers, body = split_response(raw_exchange(port, GET_HOME, timeout=30))
        waited = time.monotonic() - start
        self.assertEqual(line, "HTTP/1.1 500 Internal Server Error")
        self.assertEqual(dict(headers)["Content-Type"], "text/html; charset=ISO-8859-1")
        self.assertEqual(body, b"Maximum number of concurrent connections exceeded.  Please try again later")
        self.assertGreater(waited, 3)  # refused only after waiting for a module

        # A request that finds all modules taken is served once one frees during its wait.
        waiting = threading.Thread(target=held, args=(GET_HOME,))
        waiting.start()
        time.sleep(1)  # nothing outside shows a request waiting for a module
        # Opening the pipe for writing releases every reader; they may all have gone again by the
        # time anything is written.
        w = os.open(fifo, os.O_WRONLY)
        try:
            os.write(w, b"<p>released</p>")
        except BrokenPipeError:
            pass
        os.close(w)
        for t in threads + [waiting]:
            t.join(30)
        self.assertEqual(len(answers), 33)
        self.assertTrue(all(a.startswith(b"HTTP/1.1 200 OK") for a in answers))
        self.assertTrue(wait_until(lambda: split_response(raw_exchange(port, GET_HOME))[0] == "HTTP/1.1 200 OK"))
        q.send("Termina")
        self.assertEqual(q.wait(), 0)


class PoolUnderLoadTest(ServerFixture, unittest.TestCase):
    def test_bursts_of_sixty_four_clients_are_all_served(self):
        request = b"GET /dataserver/rest/TServerMethods1/EchoString/abc HTTP/1.1\r\nHost: h\r\n\r\n"
        statuses = []
        for _ in range(40):
            # all connect and send before any answer is read, so the requests meet in the pool
            burst = [connect("127.0.0.1", self.port, timeout=30) for _ in range(64)]
            for s in burst:
                s.sendall(request)
            for s in burst:
                with s:
                    statuses.append(split_response(read_all(s))[0])
        refused = [s for s in statuses if s != "HTTP/1.1 200 OK"]
        self.assertEqual(len(refused), 0, refused[:3])


def read_all(s):
    chunks = []
    while chunk := s.recv(65536):
        chunks.append(chunk)
    return b"".join(chunks)


if __name__ == "__main__":
    unittest.main()
