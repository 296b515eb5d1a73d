"""Bodies longer than the service takes: refused from their headers (Content-Length), before any byte of
them is read, and a body sent in chunks cut at the same limit."""

import time

TITLE = "corps de requête trop longs"


def attacks(t):
    sock = t.connect(timeout=10)
    start = time.monotonic()
    sock.sendall(("POST %sAxInsert HTTP/1.1\r\n%sContent-Type: multipart/form-data; boundary=b\r\n"
                  "Content-Length: 100000000000\r\n\r\n" % (t.base, t.headers())).encode())
    answer = b""
    try:
        while True:
            chunk = sock.recv(65536)
            if not chunk:
                break
            answer += chunk
    except OSError:
        pass
    sock.close()
    seconds = time.monotonic() - start
    said = answer.split(b"\r\n", 1)[0].decode("latin-1")
    items = t.log_items(answer)
    yield t.result(answer and seconds < 3, "Content-Length de 100 Go, sans corps",
                   "%s%s en %.2f s" % (said, " : " + items[0] if items else "", seconds))
    sock = t.connect(timeout=10)
    start = time.monotonic()
    sent = 0
    try:
        sock.sendall(("POST %sAxInsert HTTP/1.1\r\n%sContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n"
                      % (t.base, t.headers())).encode())
        piece = b"%x\r\n%s\r\n" % (1 << 20, b"x" * (1 << 20))
        while sent < 64 and time.monotonic() - start < 20:
            sock.sendall(piece)
            sent += 1
    except OSError:
        pass
    sock.close()
    yield t.result(sent < 64, "corps en morceaux de 64 Mo", "coupé après %d Mo, en %.2f s" % (sent, time.monotonic() - start))
