"""A write whose condition costs seconds (a cross join), sent again and again on two connections, must not
starve the other writes: it holds the write lock no longer than the service's limit and is interrupted, and
every other write meanwhile is stored. Every write, slow or not, stores in a vehicle the mileage it already has."""

import threading
import time

TITLE = "écritures lentes sur deux connexions pendant d'autres écritures"

SLOW = ("UPDATE tVehicles SET KMS=%s WHERE idTVO=%s AND (SELECT count(*) FROM ListPars a, ListPars b, ListPars c, "
        "ListPars d, ListPars e) > 0")
SECONDS = 4


def attacks(t):
    first = t.query("SELECT idTVO, KMS FROM tVehicles ORDER BY idTVO", max_rows=1)
    vehicle, kms = t.element(first, "idTVO"), t.element(first, "KMS")
    if not vehicle:
        yield t.result(False, "lecture d'un véhicule", t.said(first))
        return
    value = kms if kms else "NULL"
    stop = time.monotonic() + SECONDS
    slow = []

    def attacker():
        while time.monotonic() < stop:
            slow.append(t.execute("AxUpdate", SLOW % (value, vehicle), timeout=20))

    threads = [threading.Thread(target=attacker) for _ in range(2)]
    for th in threads:
        th.start()
    time.sleep(0.3)
    writes = []
    while time.monotonic() < stop:
        writes.append(t.execute("AxUpdate", "UPDATE tVehicles SET KMS=%s WHERE idTVO=%s" % (value, vehicle), timeout=20))
    for th in threads:
        th.join()
    longest = max((a.seconds for a in slow), default=0)
    interrupted = [a for a in slow if t.log_items(a)]
    yield t.result(slow and len(interrupted) == len(slow) and longest < 3,
                   "%d écritures lentes (jointure croisée)" % len(slow),
                   "%d interrompues, la plus longue en %.2f s : %s" % (
                       len(interrupted), longest, t.said(slow[0]) if slow else "aucune"))
    failed = [a for a in writes if t.log_items(a) or a.status != 200]
    yield t.result(writes and not failed, "%d écritures d'un champ pendant ce temps" % len(writes),
                   "toutes enregistrées, la plus longue en %.2f s" % max(a.seconds for a in writes) if not failed
                   else "%d échouées : %s" % (len(failed), t.said(failed[0])))
