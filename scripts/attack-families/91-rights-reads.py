"""A user of the demo dealership ALV reaching for the records of the other dealership (BRE): its vehicle's and
customer's records, a search, a sub-query, its cost lines, its lists, its printable sheet and its photo. Nothing
of BRE may come back."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from demo_users import as_user  # noqa: E402

TITLE = "lectures des enregistrements d'une autre concession"

# what, request, what in the answer would show a record of BRE.
PROBES = [
    ("fiche du véhicule", "AxInfoVO?XMLC_OutputFormat=XML&idTVO=8&idClient=", "BR808WZ"),
    ("fiche du client", "AxInfoCL?XMLC_OutputFormat=XML&idClient=9", "RENNES"),
    ("recherche", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT Immatriculation FROM tVehicles WHERE Concession='BRE'",
     "BR808WZ"),
    ("sous-requête", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT count(*) AS n FROM tClients WHERE idClient IN (SELECT "
     "idClient FROM tVehiclesProfid WHERE Immatriculation='RN555QQ')", "<n>1</n>"),
    ("frais", "AxQuery?XMLC_OutputFormat=XML&SQL=SELECT LibelleFrevo FROM [tVO - Frevo] WHERE idVO=1008", "Pare-brise"),
    ("listes", "AxInfoEquip?XMLC_OutputFormat=XML&UserConcession=BRE", "OUEST"),
    ("fiche imprimable", "ReportPDF?rptSelect=idVO=1008&rptName=VO - Fiche Commerciale", "%PDF"),
]


def attacks(t):
    alv = as_user(t, "1")
    for what, request, leak in PROBES:
        path, _, query = request.partition("?")
        # Parameters as the client sends them: each value percent-encoded.
        encoded = "&".join(p.partition("=")[0] + "=" + t.encode(p.partition("=")[2]) for p in query.split("&"))
        answer = alv.get(path + "?" + encoded)
        yield t.result(answer.status != 0 and leak not in answer.text(), what, t.said(answer))
    photo = alv.get("images/V0001008-01.jpg")
    yield t.result(photo.status == 404, "photo", "HTTP %d" % photo.status)
    # The user of BRE sees them: the probes above named real records.
    bre = as_user(t, "5").get("AxInfoVO?XMLC_OutputFormat=XML&idTVO=8&idClient=")
    yield t.result("BR808WZ" in bre.text(), "le véhicule de BRE existe pour son utilisateur", t.said(bre))
