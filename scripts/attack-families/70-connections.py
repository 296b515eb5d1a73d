"""One host opening many connections that trickle a byte now and then: beyond the limit for one address
(64), its connections are refused at once, and a workstation at another address is still served. The
connections come from 127.0.0.1, the workstation from 127.0.0.2 (both loopback addresses)."""

import socket
import time

TITLE = "connexions d'une seule adresse"

OPENED = 96
LIMIT = 64


def attacks(t):
    held_open, refused = [], 0
    for i in range(OPENED):
        try:
            sock = t.connect("127.0.0.1", timeout=2)
            sock.sendall(b"G")  # the first byte of a request that never ends
            held_open.append(sock)
        except OSError:
            refused += 1
    time.sleep(0.5)
    # A connection the service refused is answered 503 and closed at once.
    for sock in held_open:
        sock.settimeout(0.05)
        try:
            data = sock.recv(4096)
            if not data or data.startswith(b"HTTP/1.1 503"):
                refused += 1
        except socket.timeout:
            pass
        except OSError:
            refused += 1
    other = t.get("AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=", source="127.0.0.2", timeout=10)
    for sock in held_open:
        sock.close()
    yield t.result(refused >= OPENED - LIMIT, "%d connexions depuis 127.0.0.1" % OPENED,
                   "%d refusées, %d tenues ouvertes" % (refused, OPENED - refused))
    yield t.result(other.status == 200 and not t.log_items(other), "une requête depuis 127.0.0.2 pendant ce temps",
                   t.said(other))
