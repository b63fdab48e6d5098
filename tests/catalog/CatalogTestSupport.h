#pragma once

// What most tests of this folder use, so that each file names only what is its own.
#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "support/FileSupport.h"
#include "support/LoggedMessages.h"
#include "support/QtPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
