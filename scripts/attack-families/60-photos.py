"""Files sent as photos that are none: a page beginning with the JPEG marker (it would be served as a
photo), a picture too large to decode (64 megapixels announced), a file cut short. They name a vehicle
that does not exist, and must be refused before anything is stored."""

TITLE = "photos qui n'en sont pas"

def announcing(small, width, height):
    """The small JPEG with a frame header announcing another size."""
    at = small.index(b"\xff\xc0") + 5
    return small[:at] + bytes([height >> 8, height & 255, width >> 8, width & 255]) + small[at + 4:]


def upload(t, photo):
    return t.post_form("AxInsert", [
        ("NFImage", b"V9999999-98.jpg", None),
        ("SQLExecute", b"INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage) VALUES "
                       b"(:NewID, 9999999, 98, 'V9999999-98')", None),
        ("File", photo, "V9999999-98.jpg"),
        ("NFImageMini", b"V9999999-98m.jpg", None),
        ("File", t.SMALL_JPEG, "V9999999-98m.jpg")])


def attacks(t):
    cases = [
        ("une page HTML commençant par un marqueur JPEG", b"\xff\xd8\xff\xe0<html><script>alert(1)</script></html>"),
        ("une image de 8000 x 8000 pixels", announcing(t.SMALL_JPEG, 8000, 8000)),
        ("une photo coupée en son milieu", t.SMALL_JPEG[:len(t.SMALL_JPEG) // 2]),
    ]
    for what, photo in cases:
        answer = upload(t, photo)
        yield t.result(t.log_items(answer) and "RowsAffected" not in answer.text(), what, t.said(answer))
    served = t.get("images/V9999999-98.jpg")
    yield t.result(served.status == 404, "la photo refusée n'est pas servie", "HTTP %d" % served.status)
