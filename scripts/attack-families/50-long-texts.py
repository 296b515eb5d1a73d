"""Texts longer than their fields, and the printable sheets: a comment that would take minutes to lay out
must be refused when it is written, and every sheet of the records comes within the sheets' time limit."""

TITLE = "textes trop longs et fiches imprimables"

SHEETS = [("idVO", "VO - Fiche Commerciale"), ("idVO", "VO - Feuille de Marge"), ("idClient", "Fiche Profid")]


def attacks(t):
    yield t.refused("AxUpdate", "UPDATE tClients SET CliNom='%s' WHERE idClient=-1" % ("N" * 41),
                    "un nom de 41 caractères (champ de 40)")
    yield t.refused("AxUpdate", "UPDATE tVehicles SET Commentaires='%s' WHERE idTVO=-1" % ("C" * 6000),
                    "un commentaire de 6000 caractères (champ de 250)")
    long_text = ("Commentaire " * 6000)[:70000]
    answer = t.post_form("AxInsert", [("NFImage", b"V9999999-97.jpg", None),
                                      ("SQLExecute", ("INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, "
                                                      "NomImage) VALUES (:NewID, 9999999, 97, '%s')" % long_text)
                                       .encode(), None),
                                      ("File", t.SMALL_JPEG, "V9999999-97.jpg"),
                                      ("NFImageMini", b"V9999999-97m.jpg", None),
                                      ("File", t.SMALL_JPEG, "V9999999-97m.jpg")])
    yield t.result(t.log_items(answer) and "RowsAffected" not in answer.text(), "un texte de 70 000 caractères (envoi de photo)",
                   t.said(answer))
    for key, name in SHEETS:
        column = "idVO" if key == "idVO" else "idClient"
        table = "tVehicles WHERE TypeVO=1" if key == "idVO" else "tClients"
        first = t.query("SELECT %s FROM %s ORDER BY %s" % (column, table, column), max_rows=1)
        record = t.element(first, column)
        if not record:
            continue
        answer = t.get("ReportPDF?rptSelect=%s=%s&rptName=%s" % (key, record, t.encode(name)), timeout=30)
        yield t.result(answer.status == 200 and answer.seconds < 3, "la fiche %s de %s=%s" % (name, key, record),
                       "%s, %d octets, en %.2f s" % ("PDF" if answer.body.startswith(b"%PDF") else t.said(answer),
                                                   len(answer.body), answer.seconds))
