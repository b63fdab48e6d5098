#pragma once

#include "catalog/CatalogService.h"
#include "platform/Bundle.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"
#include "support/ScreenServices.h"

#include <QUrl>

#include <memory>

namespace marlox::testing {

// Gives the services a catalog service that loads its catalog from the URL, as from a server,
// over the bundle's resources; nothing is loaded yet.
inline void useRemoteCatalog(ScreenServices& services, const QUrl& url,
                             const platform::Bundle& bundle = platform::mainBundle()) {
    catalog::DistributionConfiguration configuration;
    configuration.remoteCatalogURL = url;
    auto http = std::make_shared<platform::NetworkHttpClient>();
    services.catalogService = std::make_unique<catalog::CatalogService>(
        configuration, bundle, http,
        std::make_unique<catalog::RemoteArtifactService>(
            http, std::make_shared<platform::SystemProcessRunner>(), platform::dittoToolPath()));
}

} // namespace marlox::testing
