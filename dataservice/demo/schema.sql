-- Schema of the dealership database served by stanor-dataservice.
--
-- Declared column types drive how values travel in the XML answers:
--   DATE      stored as ISO text 'yyyy-mm-dd', answered "dd/mm/yyyy"
--   DATETIME  stored as ISO text 'yyyy-mm-dd hh:mm:ss', answered "dd/mm/yyyy hh:mm:ss"
--   DECIMAL   stored as a number, answered with "." and two decimals
--   BOOLEAN   stored as 0/1, answered "True"/"False"
--   INTEGER, TEXT as they are; texts compare without regard to case (COLLATE NOCASE),
--   as the desktop dialect of the client's statements does.
-- Tables whose name starts with "sys" belong to the service itself; statements
-- sent by the client may neither read nor write them.

-- Vehicles of every kind: used (TypeVO 1), new (TypeVO 2) and demonstrators
-- (TypeVO 2 with a StatutVD). idTVO is the record key, idVO the vehicle key
-- that costs and photos refer to.
CREATE TABLE tVehicles (
  idTVO INTEGER PRIMARY KEY,
  idVO INTEGER UNIQUE,
  TypeVO INTEGER,
  StatutVD TEXT COLLATE NOCASE,
  StatutVN TEXT COLLATE NOCASE,
  NVO INTEGER,
  Immatriculation TEXT COLLATE NOCASE,
  Chassis TEXT COLLATE NOCASE,
  InfoMarque TEXT COLLATE NOCASE,
  InfoModele TEXT COLLATE NOCASE,
  InfoVersion TEXT COLLATE NOCASE,
  InfoTypeVersion TEXT COLLATE NOCASE,
  InfoCouleur TEXT COLLATE NOCASE,
  InfoCouleurInt TEXT COLLATE NOCASE,
  InfoOptions TEXT COLLATE NOCASE,
  InfoEquiInterieur TEXT COLLATE NOCASE,
  InfoEquiExterieur TEXT COLLATE NOCASE,
  InfoEquiSecurite TEXT COLLATE NOCASE,
  InfoComplement TEXT COLLATE NOCASE,
  Carrosserie TEXT COLLATE NOCASE,
  Energie TEXT COLLATE NOCASE,
  BoiteVitesse TEXT COLLATE NOCASE,
  NbPortes TEXT COLLATE NOCASE,
  NbPlaces INTEGER,
  CV INTEGER,
  KMS INTEGER,
  MEC DATE,
  Origine TEXT COLLATE NOCASE,
  OrigineVendeur TEXT COLLATE NOCASE,
  Site TEXT COLLATE NOCASE,
  Vendeur TEXT COLLATE NOCASE,
  Acheteur TEXT COLLATE NOCASE,
  CP TEXT COLLATE NOCASE,
  Destination TEXT COLLATE NOCASE,
  LieuStockage TEXT COLLATE NOCASE,
  Utilisateur TEXT COLLATE NOCASE,
  Commentaires TEXT COLLATE NOCASE,
  CodeRemise TEXT COLLATE NOCASE,
  NomImage TEXT COLLATE NOCASE,
  FlagPrepaEsthetique TEXT COLLATE NOCASE,
  FlagPrepaCarrosserie TEXT COLLATE NOCASE,
  FlagPrepaMecanique TEXT COLLATE NOCASE,
  FlagEligible TEXT COLLATE NOCASE,
  FlagVendu BOOLEAN,
  FlagNonDiffuse BOOLEAN,
  DateEntree DATE,
  DateOrdre DATE,
  DateValidationGarantie DATE,
  DateDisponibilite DATE,
  DateLivraison DATE,
  DatePresFinancement DATE,
  DatePaiement DATE,
  DateCdeVW DATE,
  DateAnnulation DATE,
  DateFabrication DATE,
  DateFacture DATE,
  DateDebutGarantie DATE,
  DateUpdateCde DATE,
  DateDeclareLivre DATE,
  DateAchat DATE,
  DateEcheance DATE,
  DateEchTresorerie DATE,
  DateEchReglement DATE,
  DateRecFinancement DATE,
  ModeTVA INTEGER,
  DureeGarantie TEXT COLLATE NOCASE,
  TypeGarantie TEXT COLLATE NOCASE,
  PrixGarantie DECIMAL,
  TypeFinancement TEXT COLLATE NOCASE,
  TypeFinancementDelai TEXT COLLATE NOCASE,
  Financeur TEXT COLLATE NOCASE,
  VFinancement DECIMAL,
  ComFinPrevue DECIMAL,
  ComFinRecue DECIMAL,
  PrixVente DECIMAL,
  PrixCatalogue DECIMAL,
  PrixReprise DECIMAL,
  TPVO DECIMAL,
  MontantReprise DECIMAL,
  CommentaireReprise TEXT COLLATE NOCASE,
  Intermediaire TEXT COLLATE NOCASE,
  MtComIntermediaire DECIMAL,
  MtComVendeur DECIMAL,
  ReprMarque TEXT COLLATE NOCASE,
  ReprModele TEXT COLLATE NOCASE,
  ReprNVO INTEGER,
  ReprPrix DECIMAL,
  CFMemo TEXT COLLATE NOCASE,
  SituationAchat TEXT COLLATE NOCASE,
  MontantAchat DECIMAL,
  MontantAcompte DECIMAL,
  Solde DECIMAL,
  MBrute DECIMAL,
  MNette DECIMAL,
  TVA DECIMAL,
  Frevo DECIMAL,
  FrevoFixe DECIMAL,
  FrevoInterne DECIMAL,
  FrevoExterne DECIMAL,
  FrevoPrevision DECIMAL,
  idOwner INTEGER,
  Concession TEXT COLLATE NOCASE
);
CREATE INDEX tVehicles_Immatriculation ON tVehicles (Immatriculation);
CREATE INDEX tVehicles_NVO ON tVehicles (NVO);
CREATE INDEX tVehicles_DateOrdre ON tVehicles (DateOrdre);

-- Reconditioning costs of a vehicle.
CREATE TABLE "tVO - Frevo" (
  idFrevo INTEGER PRIMARY KEY,
  idVO INTEGER,
  DateFrevo DATE,
  LibelleFrevo TEXT COLLATE NOCASE,
  NComptable TEXT COLLATE NOCASE,
  NomFournisseur TEXT COLLATE NOCASE,
  NFacture TEXT COLLATE NOCASE,
  TypeFrevo TEXT COLLATE NOCASE,
  MontantHT DECIMAL
);
CREATE INDEX "tVO - Frevo_idVO" ON "tVO - Frevo" (idVO);

-- Photos linked to a vehicle; the files live in the images folder.
CREATE TABLE "tVO - Liens Images" (
  idImage INTEGER PRIMARY KEY,
  idVO INTEGER,
  NumImage INTEGER,
  NomImage TEXT COLLATE NOCASE,
  DateImage DATETIME
);
CREATE INDEX "tVO - Liens Images_idVO" ON "tVO - Liens Images" (idVO);

-- Customers, with their purchase plans.
CREATE TABLE tClients (
  idClient INTEGER PRIMARY KEY,
  CliCivilite TEXT COLLATE NOCASE,
  CliNom TEXT COLLATE NOCASE,
  CliPrenom TEXT COLLATE NOCASE,
  CliAdresse1 TEXT COLLATE NOCASE,
  CliAdresse2 TEXT COLLATE NOCASE,
  CliCP TEXT COLLATE NOCASE,
  CliVille TEXT COLLATE NOCASE,
  CliPays TEXT COLLATE NOCASE,
  CliEmail TEXT COLLATE NOCASE,
  CliTelDom TEXT COLLATE NOCASE,
  CliMobile TEXT COLLATE NOCASE,
  CliTelBur TEXT COLLATE NOCASE,
  CliProfession TEXT COLLATE NOCASE,
  CliEmployeur TEXT COLLATE NOCASE,
  CliObservations TEXT COLLATE NOCASE,
  CliOrigine TEXT COLLATE NOCASE,
  CliSituationFamille TEXT COLLATE NOCASE,
  CliNbEnfants INTEGER,
  CliDateNaissance DATE,
  CliDateProchainAchat DATE,
  PATypeVO TEXT COLLATE NOCASE,
  PASegment TEXT COLLATE NOCASE,
  PACarrosserie TEXT COLLATE NOCASE,
  PAEnergie TEXT COLLATE NOCASE,
  PAChoix1 TEXT COLLATE NOCASE,
  PAChoix2 TEXT COLLATE NOCASE,
  PADateSpirit DATE,
  PAMarque1 TEXT COLLATE NOCASE,
  PAModele1 TEXT COLLATE NOCASE,
  PAMarque2 TEXT COLLATE NOCASE,
  PAModele2 TEXT COLLATE NOCASE,
  Site TEXT COLLATE NOCASE,
  idCom INTEGER,
  DateCreation DATE,
  idOwner INTEGER,
  Concession TEXT COLLATE NOCASE
);
CREATE INDEX tClients_CliNom ON tClients (CliNom);
CREATE INDEX tClients_CliMobile ON tClients (CliMobile);
CREATE INDEX tClients_CliTelDom ON tClients (CliTelDom);

-- Follow-up actions of a customer. List columns hold 1-based positions in
-- their reference list; idCom and idComRelance hold salespeople.
CREATE TABLE tActions (
  idAction INTEGER PRIMARY KEY,
  idClient INTEGER,
  DateAction DATE,
  idCom INTEGER,
  TypeAction INTEGER,
  SujetAction INTEGER,
  CommentaireAction TEXT COLLATE NOCASE,
  DateRelance DATE,
  idComRelance INTEGER,
  SujetRelance INTEGER,
  PrioriteRelance INTEGER
);
CREATE INDEX tActions_idClient ON tActions (idClient);

-- Vehicles owned by customers.
CREATE TABLE tVehiclesProfid (
  idTVO INTEGER PRIMARY KEY,
  idClient INTEGER,
  NVO INTEGER,
  TypeVO INTEGER,            -- position in the list "TypeVO"
  Immatriculation TEXT COLLATE NOCASE,
  InfoMarque TEXT COLLATE NOCASE,
  InfoModele TEXT COLLATE NOCASE,
  InfoVersion TEXT COLLATE NOCASE,
  InfoTypeVersion TEXT COLLATE NOCASE,
  MEC DATE,
  KMS INTEGER,
  DateOrdre DATE,
  DateLastSAV DATE,
  KmLastSAV INTEGER,
  DateNextSAV DATE,
  KmNextSAV INTEGER,
  DateFinGarantie DATE,
  TypeFinancement TEXT COLLATE NOCASE,
  AbbrFinancement TEXT COLLATE NOCASE,
  MensualiteFinancement DECIMAL,
  DateFinFinancement DATE,
  SatisfVehicle TEXT COLLATE NOCASE,
  SatisfSAV TEXT COLLATE NOCASE,
  LieuEntretien1 TEXT COLLATE NOCASE,
  LieuEntretien2 TEXT COLLATE NOCASE,
  Site TEXT COLLATE NOCASE,
  Acheteur TEXT COLLATE NOCASE,
  idOwner INTEGER,
  Concession TEXT COLLATE NOCASE
);
CREATE INDEX tVehiclesProfid_idClient ON tVehiclesProfid (idClient);
CREATE INDEX tVehiclesProfid_Immatriculation ON tVehiclesProfid (Immatriculation);

-- Reference lists. ListRubrics is edited from the client by super-administrators;
-- ListPars holds the fixed lists whose items are stored by position.
CREATE TABLE ListRubrics (
  RubricType TEXT COLLATE NOCASE NOT NULL,
  RubricIndex INTEGER DEFAULT 0,
  RubricItem TEXT COLLATE NOCASE,
  RubricText TEXT COLLATE NOCASE NOT NULL
);
CREATE TABLE ListPars (
  ParType TEXT COLLATE NOCASE NOT NULL,
  ParIndex INTEGER NOT NULL,
  ParText TEXT COLLATE NOCASE NOT NULL
);
CREATE TABLE ListModels (
  VMarque TEXT COLLATE NOCASE NOT NULL,
  VModele TEXT COLLATE NOCASE NOT NULL
);
CREATE TABLE ListVersions (
  VMarque TEXT COLLATE NOCASE NOT NULL,
  VModele TEXT COLLATE NOCASE NOT NULL,
  VVersion TEXT COLLATE NOCASE NOT NULL,
  VConcession TEXT COLLATE NOCASE
);
-- Options offered by the list boxes: one list per OptList name.
CREATE TABLE ListOptions (
  OptList TEXT COLLATE NOCASE NOT NULL,
  OptIndex INTEGER NOT NULL,
  Abbr TEXT COLLATE NOCASE NOT NULL,
  eText TEXT COLLATE NOCASE NOT NULL
);

-- Sites of a dealership, the marks each sells and its file-handling fee.
CREATE TABLE tSites (
  Site TEXT COLLATE NOCASE NOT NULL,
  Concession TEXT COLLATE NOCASE NOT NULL,
  Marques TEXT COLLATE NOCASE,
  MontantFraisDossier DECIMAL
);
-- Salespeople and the sites where they work.
CREATE TABLE tCommerciaux (
  idCom INTEGER PRIMARY KEY,
  cNom TEXT COLLATE NOCASE NOT NULL,
  Site TEXT COLLATE NOCASE,
  Concession TEXT COLLATE NOCASE
);

-- Users, their groups and the date options of each dealership.
CREATE TABLE tUsers (
  idUser INTEGER PRIMARY KEY,
  Name_ TEXT COLLATE NOCASE NOT NULL,
  UserConcession TEXT COLLATE NOCASE,
  UserSite TEXT COLLATE NOCASE,
  US1 TEXT COLLATE NOCASE
);
CREATE TABLE tUserGroups (
  idUser INTEGER NOT NULL,
  GName TEXT COLLATE NOCASE NOT NULL
);
CREATE TABLE tOptDates (
  Concession TEXT COLLATE NOCASE PRIMARY KEY,
  Opt_LimiteDateDeb DATE,
  Opt_LimiteDateDebFrevo DATE,
  Opt_LimiteDateDebProFid DATE
);

-- Tab descriptions, per dealership ("*" = every dealership), in answer order.
CREATE TABLE sysTabDesc (
  RowOrder INTEGER NOT NULL,
  Concession TEXT COLLATE NOCASE NOT NULL,
  descInfo TEXT COLLATE NOCASE, idNum TEXT COLLATE NOCASE, txtInfo TEXT COLLATE NOCASE, vInfo TEXT COLLATE NOCASE, tag TEXT COLLATE NOCASE, defval TEXT COLLATE NOCASE,
  tInfo TEXT COLLATE NOCASE, tControl TEXT COLLATE NOCASE, width TEXT COLLATE NOCASE, "left" TEXT COLLATE NOCASE, top TEXT COLLATE NOCASE, height TEXT COLLATE NOCASE,
  length TEXT COLLATE NOCASE, color TEXT COLLATE NOCASE, "notNull" TEXT COLLATE NOCASE, enabled TEXT COLLATE NOCASE, fieldInfo TEXT COLLATE NOCASE
);
CREATE INDEX sysTabDesc_Order ON sysTabDesc (Concession, RowOrder);

-- Last key handed out per table and column, so that keys are never reused.
CREATE TABLE sysKeys (
  TableName TEXT COLLATE NOCASE NOT NULL,
  ColumnName TEXT COLLATE NOCASE NOT NULL,
  LastValue INTEGER NOT NULL,
  PRIMARY KEY (TableName, ColumnName)
);

-- Inserts sent with a client's key, so that an insert sent again after a
-- lost answer is not stored twice (the first one's keys are answered instead).
CREATE TABLE sysInsertKeys (
  InsertKey TEXT PRIMARY KEY,
  NewID INTEGER,
  NewIDbis INTEGER,
  RowsAffected INTEGER NOT NULL,
  Stored TEXT NOT NULL
);

-- Passwords of the users, as Argon2id hashes (salt and cost inside the text);
-- a user whose access ended keeps the row with Disabled set. Times UTC.
CREATE TABLE sysUserPasswords (
  idUser INTEGER PRIMARY KEY,
  PwHash TEXT,
  Disabled BOOLEAN NOT NULL,
  Changed TEXT
);

-- Open sessions, by the digest of their token (the token itself is known
-- to its client only). Times UTC "yyyy-mm-dd hh:mm:ss".
CREATE TABLE sysSessions (
  TokenHash TEXT PRIMARY KEY,
  idUser INTEGER NOT NULL,
  Created TEXT NOT NULL,
  LastUsed TEXT NOT NULL,
  Address TEXT
);
CREATE INDEX sysSessions_User ON sysSessions (idUser);

-- Every change stored, one row per column (History.h): when (UTC), by whom,
-- the row (table and key), the record it belongs to, the old and new value.
-- No statement of the client reaches it; on PostgreSQL the service's role
-- adds rows through a function and can neither change nor delete them.
CREATE TABLE sysHistory (
  idHistory INTEGER PRIMARY KEY,
  Changed TEXT NOT NULL,
  idUser INTEGER,
  TableName TEXT NOT NULL,
  KeyValue TEXT,
  RecordTable TEXT,
  RecordKey TEXT,
  ColumnName TEXT NOT NULL,
  OldValue TEXT,
  NewValue TEXT
);
CREATE INDEX sysHistory_Record ON sysHistory (RecordTable, RecordKey);
CREATE INDEX sysHistory_Row ON sysHistory (TableName, KeyValue);

-- Text messages received by the development stand-in of the SMS gateway.
CREATE TABLE sysSmsLog (
  idSms INTEGER PRIMARY KEY,
  Received DATETIME,
  Destinataire TEXT COLLATE NOCASE,
  Texte TEXT COLLATE NOCASE
);

-- A record that goes takes its sub-records with it: the client deletes a
-- vehicle's photos and costs itself before the vehicle, but the sweep of
-- cancelled orders and the deletion of a customer name the main table only.
CREATE TRIGGER tVehicles_Delete AFTER DELETE ON tVehicles BEGIN
  DELETE FROM "tVO - Frevo" WHERE idVO = old.idVO;
  DELETE FROM "tVO - Liens Images" WHERE idVO = old.idVO;
END;
CREATE TRIGGER tClients_Delete AFTER DELETE ON tClients BEGIN
  DELETE FROM tActions WHERE idClient = old.idClient;
  DELETE FROM tVehiclesProfid WHERE idClient = old.idClient;
END;
