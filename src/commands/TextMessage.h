#pragma once
// The test text message: its text, the two fields of the form posted to the
// gateway, the gateway's address and recipient from the settings, and what
// the user is told of the gateway's answer.

#include "platform/SettingsStore.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace stanor::commands {

inline const QString kSmsGatewayPath = QStringLiteral("/tools/smssend/smssend.php5");
// The gateway's answer holds this when the message went out.
inline const QString kSmsSent = QStringLiteral("telephonySmsSend successfull");
inline const QString kSmsTransferFailed = QStringLiteral(" - Erreur de transfert sur le serveur ");
inline const QString kSmsEmptyAnswer = QStringLiteral(" - Réponse vide de la passerelle SMS : envoi non confirmé ");

// Deployment settings, values of the program's key: the gateway's address
// ("http://host:port", the fixed path is added) and the test user's number.
inline const QString kSmsGatewaySetting = QStringLiteral("SmsGateway");
inline const QString kSmsRecipientSetting = QStringLiteral("SmsRecipient");

// "de Alvenne " + site + "," CR LF CR LF "pour un test d'envoi à " + identity.
QString SmsText(const QString& site, const QString& identity);

struct FormField {
    QString name;
    QByteArray value;  // the bytes sent
};

// "destinataire" then "texte", the text in UTF-8 ("é" goes as C3 A9),
// whatever its length.
std::vector<FormField> SmsFormFields(const QString& recipient, const QString& text);

// The address posted to: the gateway's address with the fixed path (kept
// when the setting already ends with it); "http://" when it names no scheme.
QString SmsGatewayUrl(const QString& gatewayAddress);

struct SmsSettings {
    QString url;        // the full address posted to
    QString recipient;
    QString problem;    // why no message can be sent, empty when none
};

// Missing values are a problem named in French, as is a value that is not a
// text; the store itself is never changed.
SmsSettings ReadSmsSettings(platform::SettingsStore& store, const QString& key = platform::kStanorKey);

// What the user reads when the form could not be posted: the fixed text,
// then the gateway's address and the network's own words (transferError
// without its first line, which speaks of the data service).
QString SmsTransferFailure(const QString& url, const QString& transferError);

// The gateway's answer as text: UTF-8 when it is, else one byte per character.
QString SmsAnswerText(const QByteArray& body);

// The error text of a send: empty when the answer holds the success marker,
// else the whole answer (a fixed text for an empty one).
QString SmsErrorText(const QString& result);

}  // namespace stanor::commands
