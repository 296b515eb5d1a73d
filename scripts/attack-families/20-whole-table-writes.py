"""Writes that name no row by its key: each condition below is never true for any row, so that a service
that let one through would still change nothing; it must refuse them all."""

TITLE = "écritures qui ne nomment pas leurs enregistrements par une clé, INSERT … SELECT"

PROBES = [
    ("AxUpdate", "DELETE FROM tVehicles WHERE 1=1 AND 1=0"),
    ("AxUpdate", "Delete * From tVehicles WHERE 1 AND 0"),
    ("AxUpdate", "DELETE FROM tClients WHERE (idClient=-1) OR ((SELECT 1 WHERE 1) AND 1=0)"),
    ("AxUpdate", "UPDATE tVehicles SET KMS=0 WHERE 1=0"),
    ("AxUpdate", "UPDATE tVehicles SET KMS=0 WHERE idTVO=idTVO AND 1=0"),
    ("AxUpdate", "UPDATE tVehicles SET KMS=0 WHERE idTVO IN (SELECT idTVO FROM tVehicles WHERE 1=0)"),
    ("AxUpdate", "UPDATE tVehicles SET KMS=0 WHERE NOT (idTVO=-1) AND 1=0"),
    ("AxUpdate", "UPDATE tVehicles SET KMS=0 WHERE idTVO<>-1 AND 1=0"),
    ("AxUpdate", "DELETE FROM tActions WHERE idAction=-1 OR 1=0"),
    ("AxInsert", "INSERT INTO tActions (idClient, CommentaireAction) SELECT idClient, CliNom FROM tClients WHERE 1=0"),
    ("AxInsert", "INSERT INTO tActions (idClient, CommentaireAction) VALUES (-1, (SELECT group_concat(CliNom) "
                 "FROM tClients WHERE 1=0))"),
    ("AxUpdate", "UPDATE tVehicles SET Commentaires=(SELECT group_concat(CliNom) FROM tClients) WHERE idTVO=-1"),
    # The sweep of cancelled new vehicles names no key: it is limited to the user's dealership, and needs a user.
    ("AxUpdate", "DELETE * FROM tVehicles WHERE (((TypeVO)=2) AND ((Acheteur) Is Null) AND ((DateAnnulation) Is Not "
                 "Null)) AND (Concession='AUTRE')"),
]


def attacks(t):
    for endpoint, sql in PROBES:
        yield t.refused(endpoint, sql)
