-- Schema of the dealership database served by stanor-dataservice.
--
-- Declared column types drive how values travel in the XML answers:
--   DATE      stored as ISO text 'yyyy-mm-dd', answered "dd/mm/yyyy"
--   DATETIME  stored as ISO text 'yyyy-mm-dd hh:mm:ss', answered "dd/mm/yyyy hh:mm:ss"
--   DECIMAL   stored as a number, answered with "." and two decimals
--   BOOLEAN   stored as 0/1, answered "True"/"False"
--   INTEGER, TEXT as they are.
-- Tables whose name starts with "sys" belong to the service itself; statements
-- sent by the client may neither read nor write them.

-- Vehicles of every kind: used (TypeVO 1), new (TypeVO 2) and demonstrators
-- (TypeVO 2 with a StatutVD). idTVO is the record key, idVO the vehicle key
-- that costs and photos refer to.
CREATE TABLE tVehicles (
  idTVO INTEGER PRIMARY KEY,
  idVO INTEGER UNIQUE,
  TypeVO INTEGER,
  StatutVD TEXT,
  StatutVN TEXT,
  NVO INTEGER,
  Immatriculation TEXT,
  Chassis TEXT,
  InfoMarque TEXT,
  InfoModele TEXT,
  InfoVersion TEXT,
  InfoTypeVersion TEXT,
  InfoCouleur TEXT,
  InfoCouleurInt TEXT,
  InfoOptions TEXT,
  InfoEquiInterieur TEXT,
  InfoEquiExterieur TEXT,
  InfoEquiSecurite TEXT,
  InfoComplement TEXT,
  Carrosserie TEXT,
  Energie TEXT,
  BoiteVitesse TEXT,
  NbPortes TEXT,
  NbPlaces INTEGER,
  CV INTEGER,
  KMS INTEGER,
  MEC DATE,
  Origine TEXT,
  OrigineVendeur TEXT,
  Site TEXT,
  Vendeur TEXT,
  Acheteur TEXT,
  CP TEXT,
  Destination TEXT,
  LieuStockage TEXT,
  Utilisateur TEXT,
  Commentaires TEXT,
  CodeRemise TEXT,
  NomImage TEXT,
  FlagPrepaEsthetique TEXT,
  FlagPrepaCarrosserie TEXT,
  FlagPrepaMecanique TEXT,
  FlagEligible TEXT,
  FlagVendu TEXT,
  FlagNonDiffuse TEXT,
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
  DureeGarantie TEXT,
  TypeGarantie TEXT,
  PrixGarantie DECIMAL,
  TypeFinancement TEXT,
  TypeFinancementDelai TEXT,
  Financeur TEXT,
  VFinancement DECIMAL,
  ComFinPrevue DECIMAL,
  ComFinRecue DECIMAL,
  PrixVente DECIMAL,
  PrixCatalogue DECIMAL,
  PrixReprise DECIMAL,
  TPVO DECIMAL,
  MontantReprise DECIMAL,
  CommentaireReprise TEXT,
  Intermediaire TEXT,
  MtComIntermediaire DECIMAL,
  MtComVendeur DECIMAL,
  ReprMarque TEXT,
  ReprModele TEXT,
  ReprNVO INTEGER,
  ReprPrix DECIMAL,
  CFMemo TEXT,
  SituationAchat TEXT,
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
  Concession TEXT
);
CREATE INDEX tVehicles_Immatriculation ON tVehicles (Immatriculation);
CREATE INDEX tVehicles_NVO ON tVehicles (NVO);
CREATE INDEX tVehicles_DateOrdre ON tVehicles (DateOrdre);

-- Reconditioning costs of a vehicle.
CREATE TABLE "tVO - Frevo" (
  idFrevo INTEGER PRIMARY KEY,
  idVO INTEGER,
  DateFrevo DATE,
  LibelleFrevo TEXT,
  NComptable TEXT,
  NomFournisseur TEXT,
  NFacture TEXT,
  TypeFrevo TEXT,
  MontantHT DECIMAL
);
CREATE INDEX "tVO - Frevo_idVO" ON "tVO - Frevo" (idVO);

-- Photos linked to a vehicle; the files live in the images folder.
CREATE TABLE "tVO - Liens Images" (
  idImage INTEGER PRIMARY KEY,
  idVO INTEGER,
  NumImage INTEGER,
  NomImage TEXT,
  DateImage DATETIME
);
CREATE INDEX "tVO - Liens Images_idVO" ON "tVO - Liens Images" (idVO);

-- Customers, with their purchase plans.
CREATE TABLE tClients (
  idClient INTEGER PRIMARY KEY,
  CliCivilite TEXT,
  CliNom TEXT,
  CliPrenom TEXT,
  CliAdresse1 TEXT,
  CliAdresse2 TEXT,
  CliCP TEXT,
  CliVille TEXT,
  CliPays TEXT,
  CliEmail TEXT,
  CliTelDom TEXT,
  CliMobile TEXT,
  CliTelBur TEXT,
  CliProfession TEXT,
  CliEmployeur TEXT,
  CliObservations TEXT,
  CliOrigine TEXT,
  CliSituationFamille TEXT,
  CliNbEnfants INTEGER,
  CliDateNaissance DATE,
  CliDateProchainAchat DATE,
  PATypeVO TEXT,
  PASegment TEXT,
  PACarrosserie TEXT,
  PAEnergie TEXT,
  PAChoix1 TEXT,
  PAChoix2 TEXT,
  PADateSpirit DATE,
  PAMarque1 TEXT,
  PAModele1 TEXT,
  PAMarque2 TEXT,
  PAModele2 TEXT,
  Site TEXT,
  idCom INTEGER,
  DateCreation DATE,
  idOwner INTEGER,
  Concession TEXT
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
  CommentaireAction TEXT,
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
  TypeVO TEXT,
  Immatriculation TEXT,
  InfoMarque TEXT,
  InfoModele TEXT,
  InfoVersion TEXT,
  InfoTypeVersion TEXT,
  MEC DATE,
  KMS INTEGER,
  DateOrdre DATE,
  DateLastSAV DATE,
  KmLastSAV INTEGER,
  DateNextSAV DATE,
  KmNextSAV INTEGER,
  DateFinGarantie DATE,
  TypeFinancement TEXT,
  AbbrFinancement TEXT,
  MensualiteFinancement DECIMAL,
  DateFinFinancement DATE,
  SatisfVehicle TEXT,
  SatisfSAV TEXT,
  LieuEntretien1 TEXT,
  LieuEntretien2 TEXT,
  Site TEXT,
  Acheteur TEXT,
  idOwner INTEGER,
  Concession TEXT
);
CREATE INDEX tVehiclesProfid_idClient ON tVehiclesProfid (idClient);
CREATE INDEX tVehiclesProfid_Immatriculation ON tVehiclesProfid (Immatriculation);

-- Reference lists. ListRubrics is edited from the client by super-administrators;
-- ListPars holds the fixed lists whose items are stored by position.
CREATE TABLE ListRubrics (
  RubricType TEXT NOT NULL,
  RubricIndex INTEGER DEFAULT 0,
  RubricItem TEXT,
  RubricText TEXT NOT NULL
);
CREATE TABLE ListPars (
  ParType TEXT NOT NULL,
  ParIndex INTEGER NOT NULL,
  ParText TEXT NOT NULL
);
CREATE TABLE ListModels (
  VMarque TEXT NOT NULL,
  VModele TEXT NOT NULL
);
CREATE TABLE ListVersions (
  VMarque TEXT NOT NULL,
  VModele TEXT NOT NULL,
  VVersion TEXT NOT NULL,
  VConcession TEXT
);
-- Options offered by the list boxes: one list per OptList name.
CREATE TABLE ListOptions (
  OptList TEXT NOT NULL,
  OptIndex INTEGER NOT NULL,
  Abbr TEXT NOT NULL,
  eText TEXT NOT NULL
);

-- Sites of a dealership, the marks each sells and its file-handling fee.
CREATE TABLE tSites (
  Site TEXT NOT NULL,
  Concession TEXT NOT NULL,
  Marques TEXT,
  MontantFraisDossier DECIMAL
);
-- Salespeople and the sites where they work.
CREATE TABLE tCommerciaux (
  idCom INTEGER PRIMARY KEY,
  cNom TEXT NOT NULL,
  Site TEXT,
  Concession TEXT
);

-- Users, their groups and the date options of each dealership.
CREATE TABLE tUsers (
  idUser INTEGER PRIMARY KEY,
  Name_ TEXT NOT NULL,
  UserConcession TEXT,
  UserSite TEXT,
  US1 TEXT
);
CREATE TABLE tUserGroups (
  idUser INTEGER NOT NULL,
  GName TEXT NOT NULL
);
CREATE TABLE tOptDates (
  Concession TEXT PRIMARY KEY,
  Opt_LimiteDateDeb DATE,
  Opt_LimiteDateDebFrevo DATE,
  Opt_LimiteDateDebProFid DATE
);

-- Tab descriptions, per dealership ("*" = every dealership), in answer order.
CREATE TABLE sysTabDesc (
  RowOrder INTEGER NOT NULL,
  Concession TEXT NOT NULL,
  descInfo TEXT, idNum TEXT, txtInfo TEXT, vInfo TEXT, tag TEXT, defval TEXT,
  tInfo TEXT, tControl TEXT, width TEXT, "left" TEXT, top TEXT, height TEXT,
  length TEXT, color TEXT, "notNull" TEXT, enabled TEXT, fieldInfo TEXT
);
CREATE INDEX sysTabDesc_Order ON sysTabDesc (Concession, RowOrder);

-- Last key handed out per table and column, so that keys are never reused.
CREATE TABLE sysKeys (
  TableName TEXT NOT NULL,
  ColumnName TEXT NOT NULL,
  LastValue INTEGER NOT NULL,
  PRIMARY KEY (TableName, ColumnName)
);

-- Text messages received by the development stand-in of the SMS gateway.
CREATE TABLE sysSmsLog (
  idSms INTEGER PRIMARY KEY,
  Received DATETIME,
  Destinataire TEXT,
  Texte TEXT
);
