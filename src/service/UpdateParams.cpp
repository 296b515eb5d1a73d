#include "service/UpdateParams.h"

#include "service/DataServiceClient.h"
#include "service/RequestCatalogue.h"

#include <exception>

namespace stanor::service {

void UpdateParams(DataServiceClient& client, const RequestCatalogue& catalogue)
{
    try {
        const ServiceRequest equip = catalogue.infoEquip();
        client.HttpExecuteCached(equip.url, equip.answerFile);
        const ServiceRequest structure = catalogue.infoStruct();
        client.HttpExecuteCached(structure.url, structure.answerFile);
    } catch (const std::exception&) {
        // Kept as they are: the previous answers serve until the next reload.
    }
}

}  // namespace stanor::service
