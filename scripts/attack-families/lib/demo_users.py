"""Shared by the rights families (a helper, not a family: it lies beside them, in lib): acting as one of the demo users.

The rights families need users of several groups, sites and dealerships: they sign in as the demo users
(their passwords are published in the README), so they are played against a service on a copy of the demo
database. A write that the service wrongly accepts writes back the value the record already holds, and a
row it wrongly adds is taken away again, so that the demo data stay as they were."""
import copy
import re
import urllib.parse

# idUser -> password of the demo users: 1 super-administrator (ALV, every site), 2 salesperson (ALV, NORD),
# 3 accounting user (ALV, NORD and SUD), 5 user of the other dealership (BRE).
DEMO_USERS = {"1": "martin-admin-demo", "2": "paul-durand-demo", "3": "claire-lefevre-demo", "5": "julie-garnier-demo"}

_signed_in = {}


def as_user(t, user):
    """A copy of the target whose requests act for the demo user `user`: signed in when the service has
    sign-in; every request also names the user (a service without sign-in reads it from UserID)."""
    if user not in _signed_in:
        body = urllib.parse.urlencode({"UserID": user, "Password": DEMO_USERS[user]}).encode("latin-1")
        head = ("POST %sAxLogin HTTP/1.1\r\n%sContent-Type: application/x-www-form-urlencoded\r\n"
                "Content-Length: %d\r\n\r\n" % (t.base, t.headers(), len(body)))
        answer = t.exchange(head.encode("latin-1") + body)
        found = re.search(r"<Token>(.*?)</Token>", answer.text())
        _signed_in[user] = found.group(1) if found else ""
    u = copy.copy(t)
    u.token = _signed_in[user]
    u.user = user
    get = t.__class__.get

    def named(request, timeout=15, source=None):
        sep = "&" if "?" in request else "?"
        return get(u, "%s%sUserID=%s" % (request, sep, user), timeout, source)
    u.get = named
    return u


def stored(t, table, column, key, value):
    """The value a record holds, as a literal of the client's SQL (NULL when empty)."""
    answer = t.query("SELECT %s AS v FROM [%s] WHERE %s=%s" % (column, table, key, value))
    found = re.search(r"<v>(.*?)</v>", answer.text(), re.S)
    v = found.group(1) if found else ""
    if v == "":
        return "NULL"
    date = re.fullmatch(r"(\d\d)/(\d\d)/(\d{4})", v)
    if date:
        return "#%s/%s/%s#" % (date.group(2), date.group(1), date.group(3))
    if re.fullmatch(r"-?\d+(\.\d+)?", v):
        return v
    return "'%s'" % v.replace("'", "''")


def refused_write(t, endpoint, sql, what):
    """A write the service must refuse with "Écriture refusée"."""
    answer = t.execute(endpoint, sql)
    items = t.log_items(answer)
    held = answer.status != 0 and any(i.startswith("Écriture refusée") or "refusée" in i for i in items) \
        and "RowsAffected" not in answer.text()
    return t.result(held, what, t.said(answer)), answer
