"""Answers that would take the service's memory: a text grown by nested replace, more rows than an answer
takes, values cross-joined into many megabytes. The answer must stay within its limit (16 MB, 1,000 rows)."""

TITLE = "taille des réponses"

LIMIT = 16 << 20


def attacks(t):
    grow = "CliNom"
    for _ in range(4):
        grow = "replace(%s, 'A', '%s')" % (grow, "A" * 200)
    yield t.refused("AxQuery", "SELECT %s AS r FROM tClients" % grow, "replace imbriqués, MaxRows=120", max_rows=120)
    yield t.refused("AxQuery", "SELECT idTVO FROM tVehicles", "MaxRows=100000", max_rows=100000)
    wide = ", ".join("group_concat(a.ParText || b.ParText || c.ParText) AS g%d" % i for i in range(8))
    answer = t.query("SELECT %s FROM ListPars a, ListPars b, ListPars c" % wide, timeout=30)
    yield t.result(answer.status != 0 and len(answer.body) <= LIMIT + 65536,
                   "huit group_concat d'une jointure croisée", t.said(answer))
    cells = ", ".join("a.ParText || '%s' AS c%d" % ("x" * 400, i) for i in range(14))
    answer = t.query("SELECT %s FROM ListPars a, ListPars b" % cells, max_rows=1000, timeout=30)
    yield t.result(answer.status != 0 and len(answer.body) <= LIMIT + 65536 and t.rows(answer) <= 1000,
                   "1000 lignes de textes longs", t.said(answer))
