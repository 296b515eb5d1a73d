#pragma once
// Fetches the reference lists and the tab descriptions at start-up and on the
// launcher's reload, reusing answers younger than 12 hours.

namespace stanor::service {

class DataServiceClient;
class RequestCatalogue;

// Equipment answer first, then tab descriptions, both cached. Any error on
// the way is swallowed: the answers of earlier runs stay in place.
void UpdateParams(DataServiceClient& client, const RequestCatalogue& catalogue);

}  // namespace stanor::service
