"""The writes that the rights of the sheets forbid their users, sent as a careless or malicious client would:
a salesperson writing the commission, the purchase price, an accounting number, records of another site; an
accounting user writing sale prices, a customer's name, an action. Each must be refused ("Écriture refusée").
An update writes back the value the record holds, a row wrongly added is taken away again; the two deletions,
wrongly accepted, delete (a cost line, a vehicle): play it on a copy of the demo database."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from demo_users import as_user, refused_write, stored  # noqa: E402

TITLE = "écritures que les droits des fiches interdisent (17)"

# user, what, table, column, key column, key: an update of one column to the value it holds.
UPDATES = [
    ("2", "un vendeur écrit sa commission", "tVehicles", "MtComVendeur", "idTVO", "1"),
    ("2", "un vendeur écrit le prix d'achat", "tVehicles", "MontantAchat", "idTVO", "6"),
    ("2", "un vendeur écrit un numéro comptable", "tVO - Frevo", "NComptable", "idFrevo", "3"),
    ("2", "un vendeur change une ligne de frais comptabilisée", "tVO - Frevo", "MontantHT", "idFrevo", "1"),
    ("2", "un vendeur écrit un véhicule d'un autre site", "tVehicles", "KMS", "idTVO", "2"),
    ("2", "un vendeur écrit un client d'un autre site", "tClients", "CliNom", "idClient", "2"),
    ("2", "un vendeur écrit une garantie validée", "tVehicles", "PrixGarantie", "idTVO", "3"),
    ("2", "un vendeur valide la garantie", "tVehicles", "DateValidationGarantie", "idTVO", "1"),
    ("3", "un comptable écrit un prix de vente", "tVehicles", "PrixVente", "idTVO", "1"),
    ("3", "un comptable écrit le nom d'un client", "tClients", "CliNom", "idClient", "1"),
]
# user, what, statement, table and key column of the row it would add.
INSERTS = [
    ("2", "un vendeur ajoute des frais avec un numéro comptable",
     "Insert into [tVO - Frevo] (DateFrevo,NComptable, idVO, idFrevo ) Values (#12/01/2026#,'611', 1001, :NewID)",
     "tVO - Frevo", "idFrevo"),
    ("2", "un vendeur crée un véhicule pour un autre site",
     "Insert into tVehicles (NVO,Site, idTVO, TypeVO, idVO, idOwner, Concession) Values (9,'SUD', :NewID, 1, "
     ":NewIDbis, 2, 'ALV')", "tVehicles", "idTVO"),
    ("2", "un vendeur modifie une liste de référence",
     "Insert into ListRubrics (RubricType, RubricIndex, RubricItem, RubricText) Values ('Couleur', 0, '..' ,"
     "'Ocre attaque')", None, None),
    ("3", "un comptable ajoute une action",
     "Insert into tActions (DateAction,CommentaireAction, idClient, idAction ) Values (#12/01/2026#,'x', 1, :NewID)",
     "tActions", "idAction"),
]
# The moves and deletions, refused before anything is read back.
OTHERS = [
    ("2", "un vendeur déplace un véhicule vers un autre site", "AxUpdate",
     "Update tVehicles set Site='SUD' where (idTVO=1)"),
    ("2", "un vendeur supprime une ligne de frais facturée", "AxUpdate", "Delete * from [tVO - Frevo] where (idFrevo=2)"),
    ("2", "un vendeur supprime un véhicule", "AxUpdate", "Delete * From [tVehicles] where idVO=1001"),
]


def attacks(t):
    admin = as_user(t, "1")
    for user, what, table, column, key, value in UPDATES:
        sql = "Update [%s] set %s=%s where (%s=%s)" % (table, column, stored(admin, table, column, key, value), key,
                                                        value)
        yield refused_write(as_user(t, user), "AxUpdate", sql, what)[0]
    for user, what, sql, table, key in INSERTS:
        result, answer = refused_write(as_user(t, user), "AxInsert", sql, what)
        yield result
        if not result.held and table:  # take the wrongly added row away
            new_id = t.element(answer, "NewID")
            if re.fullmatch(r"\d+", new_id):
                admin.execute("AxUpdate", "Delete * From [%s] where %s=%s" % (table, key, new_id))
        elif not result.held:
            admin.execute("AxUpdate", "Delete * From ListRubrics where RubricType='Couleur' and RubricText='Ocre attaque'")
    site = stored(admin, "tVehicles", "Site", "idTVO", "1")
    for user, what, endpoint, sql in OTHERS:
        result = refused_write(as_user(t, user), endpoint, sql, what)[0]
        yield result
        if not result.held and "Site=" in sql:  # the vehicle goes back to its site
            admin.execute("AxUpdate", "Update tVehicles set Site=%s where (idTVO=1)" % site)
