#pragma once

#include "base/DescribedError.h"

#include <QString>

#include <utility>

namespace marlox::catalog {

// A failure of a service that reads the network or the disk, told as a sentence the user sees.
struct ServiceError : base::DescribedError {
    explicit ServiceError(QString description, QString domain = {}, int code = 0)
        : DescribedError(std::move(description)), domain(std::move(domain)), code(code) {}

    // Set for the service's own failures: its name, with the HTTP status or its own code.
    QString domain;
    int code = 0;
};

} // namespace marlox::catalog
