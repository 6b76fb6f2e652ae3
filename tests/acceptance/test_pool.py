"""The module pool under real load: 32 requests held inside handlers (each waiting to open a
named pipe in the web root, which blocks until a writer comes), the 33rd refused with the pool
message, a later one served once they are released."""
import os
import threading
import time
import unittest

from quillara_process import Quillara, free_port, linux_only, raw_exchange, split_response, wait_until


@linux_only("the handlers are held on a Unix named pipe, which Wine's file calls do not wait on")
class ModulePoolTest(unittest.TestCase):
    def test_thirty_third_request_gets_the_pool_message(self):
        port = free_port()
        q = Quillara(str(port), "win64")
        self.addCleanup(q.close)
        for _ in range(3):
            q.next_line()
        fifo = os.path.join(q.app, "hold.html")
        os.mkfifo(fifo)
        answers = []
        lock = threading.Lock()

        def held():
            a = raw_exchange(port, b"GET /hold.html HTTP/1.1\r\nHost: h\r\n\r\n", timeout=30)
            with lock:
                answers.append(a)

        threads = [threading.Thread(target=held) for _ in range(32)]
        for t in threads:
            t.start()
        # all 32 are inside their handlers once the server has 32 readers waiting on the pipe
        time.sleep(1.5)
        line, headers, body = split_response(raw_exchange(port, b"GET / HTTP/1.1\r\nHost: h\r\n\r\n"))
        self.assertEqual(line, "HTTP/1.1 500 Internal Server Error")
        self.assertEqual(dict(headers)["Content-Type"], "text/html; charset=ISO-8859-1")
        self.assertEqual(body, b"Maximum number of concurrent connections exceeded.  Please try again later")

        # Opening the pipe for writing releases every reader; they may all have gone again by the
        # time anything is written.
        w = os.open(fifo, os.O_WRONLY)
        try:
            os.write(w, b"<p>released</p>")
        except BrokenPipeError:
            pass
        os.close(w)
        for t in threads:
            t.join(30)
        self.assertEqual(len(answers), 32)
        self.assertTrue(all(a.startswith(b"HTTP/1.1 200 OK") for a in answers))
        self.assertTrue(wait_until(lambda: split_response(
            raw_exchange(port, b"GET / HTTP/1.1\r\nHost: h\r\n\r\n"))[0] == "HTTP/1.1 200 OK"))
        q.send("Termina")
        self.assertEqual(q.wait(), 0)


if __name__ == "__main__":
    unittest.main()
