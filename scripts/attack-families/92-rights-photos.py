"""Photos sent against their rules: a photo already linked sent again under its name (it must keep its file, the
new one taking the next number), photos of a vehicle that does not exist, of the other dealership, of another
site, and by a user without the photo rights. A link wrongly made is taken away again."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from demo_users import as_user  # noqa: E402

TITLE = "photos envoyées contre leurs règles"


def upload(t, stem, number, photo):
    id_vo = int(stem[1:8])
    sql = ("INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) VALUES (:NewID, %d, %d, "
           "'%s', '2026-12-09 10:00:00')" % (id_vo, number, stem))
    return t.post_form("AxInsert?UserID=%s" % t.user, [
        ("NFImage", (stem + ".jpg").encode(), None),
        ("SQLExecute", sql.encode(), None),
        ("File", photo, stem + ".jpg"),
        ("NFImageMini", (stem + "m.jpg").encode(), None),
        ("File", photo, stem + "m.jpg")])


def attacks(t):
    admin = as_user(t, "1")
    before = admin.get("images/V0001001-01.jpg")
    answer = upload(admin, "V0001001-01", 1, t.SMALL_JPEG)
    after = admin.get("images/V0001001-01.jpg")
    given = t.element(answer, "NomImage")
    yield t.result(before.status == 200 and after.body == before.body and given not in ("", "V0001001-01"),
                   "une photo liée envoyée de nouveau sous son nom",
                   "%s ; rangée sous %s" % (t.said(answer), given or "?"))
    if re.fullmatch(r"V\d{7}-\d+", given) and given != "V0001001-01":  # the new photo goes again
        admin.execute("AxUpdate", "Delete * From [tVO - Liens Images] where idVO=1001 and NomImage='%s'" % given)
    for user, stem, what in [("1", "V0000999-01", "un véhicule qui n'existe pas"),
                             ("1", "V0001008-02", "un véhicule de l'autre concession"),
                             ("3", "V0001002-05", "un utilisateur sans les droits des photos"),
                             ("2", "V0001002-06", "un véhicule d'un autre site")]:
        answer = upload(as_user(t, user), stem, int(stem[9:]), t.SMALL_JPEG)
        held = t.log_items(answer) and "RowsAffected" not in answer.text()
        yield t.result(held, what, t.said(answer))
        if not held:
            admin.execute("AxUpdate", "Delete * From [tVO - Liens Images] where NomImage='%s'" % stem)
