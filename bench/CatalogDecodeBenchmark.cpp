// Decoding a large catalog against Qt's JSON parse alone, on the same bytes: the decode, which
// parses with simdjson and then applies the catalog's reading rules, must take less time than
// Qt's parse without any rules.
#include "catalog/CatalogManifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

namespace {

QByteArray generatedCatalog(int packageCount) {
    QJsonArray packages;
    for (int index = 0; index < packageCount; ++index) {
        const QString id = QStringLiteral("com.marlox.generated.%1").arg(index);
        packages.append(QJsonObject{
            {"id", id},
            {"name", QStringLiteral("Generated Effect %1").arg(index)},
            {"type", index % 3 == 0 ? "Generators" : (index % 3 == 1 ? "filter" : "template")},
            {"category", marlox::catalog::catalogCategoryTitles[index % 5]},
            {"summary", "A generated package used to measure catalog decoding."},
            {"thumbnailName", id},
            {"detailBullets", QJsonArray{"First bullet", "Second bullet", "Third bullet"}},
            {"version", QStringLiteral("1.%1.0").arg(index % 17)},
            {"minAppVersion", "1.0.0"},
            {"bundlePayloadPath", QStringLiteral("Payloads/%1").arg(id)},
            {"downloadURL", QStringLiteral("https://example.com/%1.zip").arg(id)},
            {"sha256", QString(64, 'a')},
            {"releaseNotes", "Improves the generated effect in several small ways."},
        });
    }
    return QJsonDocument(QJsonObject{{"catalogVersion", "2026.12"},
                                     {"generatedAt", "2026-12-06T00:00:00Z"},
                                     {"packages", packages}})
        .toJson();
}

const QByteArray& catalogBytes() {
    static const QByteArray bytes = generatedCatalog(10000);
    return bytes;
}

// Both sides release their result outside the timed region: freeing is not decoding.
void BM_JsonParseOnly(benchmark::State& state) {
    for (auto _ : state) {
        auto document = QJsonDocument::fromJson(catalogBytes());
        benchmark::DoNotOptimize(document);
        state.PauseTiming();
        document = QJsonDocument();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * catalogBytes().size());
}

void BM_DecodeCatalogManifest(benchmark::State& state) {
    for (auto _ : state) {
        auto manifest = marlox::catalog::decodeCatalogManifest(catalogBytes());
        if (!manifest) {
            state.SkipWithError("decode failed");
        }
        benchmark::DoNotOptimize(manifest);
        state.PauseTiming();
        manifest = marlox::catalog::CatalogManifest();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * catalogBytes().size());
}

} // namespace

BENCHMARK(BM_JsonParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCatalogManifest)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) {
    catalogBytes(); // generated before anything is timed
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
