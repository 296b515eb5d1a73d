#include "commands/TextMessage.h"

#include <QStringDecoder>

namespace stanor::commands {

QString SmsText(const QString& site, const QString& identity)
{
    return QStringLiteral("de Alvenne ") + site + QStringLiteral(",\r\n\r\npour un test d'envoi à ") + identity;
}

std::vector<FormField> SmsFormFields(const QString& recipient, const QString& text)
{
    return {{QStringLiteral("destinataire"), recipient.trimmed().toUtf8()},
            {QStringLiteral("texte"), text.toUtf8()}};
}

QString SmsGatewayUrl(const QString& gatewayAddress)
{
    QString address = gatewayAddress.trimmed();
    if (address.isEmpty())
        return {};
    if (!address.contains(QLatin1String("://")))
        address.prepend(QLatin1String("http://"));
    if (address.endsWith(kSmsGatewayPath))
        return address;
    while (address.endsWith(u'/'))
        address.chop(1);
    return address + kSmsGatewayPath;
}

SmsSettings ReadSmsSettings(platform::SettingsStore& store, const QString& key)
{
    SmsSettings s;
    QString address;
    try {
        address = store.readString(key, kSmsGatewaySetting);
        s.recipient = store.readString(key, kSmsRecipientSetting).trimmed();
    } catch (const platform::SettingsError& e) {
        s.problem = QStringLiteral("paramètres de la passerelle SMS illisibles : ") + QString::fromUtf8(e.what());
        return s;
    }
    s.url = SmsGatewayUrl(address);
    if (s.url.isEmpty())
        s.problem = QStringLiteral("adresse de la passerelle SMS non paramétrée (valeur « %1 » de %2)")
                        .arg(kSmsGatewaySetting, key);
    else if (s.recipient.isEmpty())
        s.problem = QStringLiteral("numéro du destinataire non paramétré (valeur « %1 » de %2)")
                        .arg(kSmsRecipientSetting, key);
    return s;
}

QString SmsTransferFailure(const QString& url, const QString& transferError)
{
    const qsizetype br = transferError.indexOf(u'\n');
    const QString detail = br < 0 ? QStringLiteral("pas de réponse") : transferError.mid(br + 1);
    return kSmsTransferFailed + QStringLiteral("\nPasserelle SMS ") + url + QStringLiteral(" : ") + detail;
}

QString SmsAnswerText(const QByteArray& body)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError())
        return QString::fromLatin1(body);
    return text;
}

QString SmsErrorText(const QString& result)
{
    if (result.contains(kSmsSent))
        return {};
    // An empty answer confirms nothing: it must not read as a success.
    if (result.trimmed().isEmpty())
        return kSmsEmptyAnswer;
    return result;
}

}  // namespace stanor::commands
