"""The server's functions, however their names are written, and its catalogue: a wait that holds a pooled
connection, lifting the time limit, ending other sessions, reading the settings and the other sessions,
running queries as XML, large objects. Each probe waits or ends nothing even where it is accepted."""

TITLE = "fonctions du serveur (quelle que soit l'écriture de leur nom) et son catalogue"

PROBES = [
    "SELECT [set_config]('statement_timeout','0',false) AS v",
    "SELECT [pg_sleep](0.2) AS z",
    "SELECT [PG_SLEEP] (0.2) AS z",
    "SELECT pg_sleep\f(0.2) AS z",
    "SELECT pg_sleep\v(0.2) AS z",
    "SELECT pg_sleep/**/(0.2) AS z",
    "SELECT pg_catalog.[pg_sleep](0.2) AS z",
    "SELECT [pg_terminate_backend](pid) AS t FROM pg_stat_activity WHERE pid = -1",
    "SELECT [pg_cancel_backend](-1) AS t",
    "SELECT [pg_advisory_lock](-1) AS t",
    "SELECT count(*) AS n FROM pg_roles",
    "SELECT name, setting FROM pg_settings",
    "SELECT count(*) AS n FROM [pg_stat_activity]",
    "SELECT count(*) AS n FROM information_schema.tables",
    "SELECT [query_to_xml]('select 1', true, true, '') AS x",
    "SELECT [lo_from_bytea](0, 'x') AS o",
    "SELECT [current_setting]('statement_timeout') AS s",
    "SELECT [replace](replace('aaaa', 'a', 'aaaa'), 'a', 'aaaa') AS r",
    "SELECT [randomblob](1000) AS b",
    "SELECT [load_extension]('x') AS e",
    "SELECT name FROM sqlite_master",
    "SELECT * FROM [pragma_table_info]('tUsers')",
]


def attacks(t):
    for sql in PROBES:
        yield t.refused("AxQuery", sql, sql.replace("\f", "\\f").replace("\v", "\\v"))
    # The same names inside a write.
    yield t.refused("AxUpdate", "UPDATE tVehicles SET KMS=[pg_sleep](0.2) WHERE idTVO=-1")
