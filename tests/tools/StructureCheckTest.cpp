#include "support/ScratchHome.h"
#include "tools/structurecheck/SourceScan.h"
#include "tools/structurecheck/StructureRules.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace marlox::structure;

namespace {

std::vector<std::string> names(const std::vector<ScopedName>& scoped) {
    std::vector<std::string> result;
    for (const ScopedName& name : scoped) {
        result.push_back(name.qualified);
    }
    return result;
}

// Each finding as "<file name>:<line>: <message>".
std::vector<std::string> findingsOf(const Project& project) {
    std::vector<std::string> texts;
    for (const Finding& finding : checkProject(project)) {
        texts.push_back(QFileInfo(QString::fromStdString(finding.file)).fileName().toStdString() +
                        ":" + std::to_string(finding.line) + ": " + finding.message);
    }
    return texts;
}

// A project in the scratch home.
class ScratchProjectTest : public marlox::testing::ScratchHomeTest {
protected:
    std::string write(const QString& relative, const QByteArray& contents) {
        const QString path = home.filePath("project/" + relative);
        marlox::testing::writeFile(path, contents);
        return QDir::cleanPath(path).toStdString();
    }
    std::string projectPath(const QString& relative = {}) const {
        return QDir::cleanPath(home.filePath("project/" + relative)).toStdString();
    }
    std::vector<std::string> findings() const { return findingsOf(project); }

    Project project;
};

// A small project: two libraries and a program, each in a folder of its own.
class StructureCheckTest : public ScratchProjectTest {
protected:
    void SetUp() override {
        project.roots = {QDir::cleanPath(home.filePath("project")).toStdString()};
        base.files = {
            write("base/Text.h", "#pragma once\nnamespace m::base { int size(); }\n"),
            write("base/Text.cpp", "#include \"Text.h\"\nint m::base::size() { return 1; }\n")};
        base.publicHeaders = {{"base/Text.h", base.files[0]}};
        core.files = {write("core/Model.h", "#pragma once\n#include \"base/Text.h\"\n"
                                            "namespace m::core {\nclass Model {\npublic:\n"
                                            "    void load();\n};\nvoid reset();\n}\n"),
                      write("core/Model.cpp", "#include \"Model.h\"\nnamespace m::core {\n"
                                              "void Model::load() {}\nvoid reset() {}\n}\n"),
                      write("core/Hidden.h", "#pragma once\n")};
        core.publicHeaders = {{"core/Model.h", core.files[0]}};
        core.privateHeaders = {{"core/Hidden.h", core.files[2]}};
        core.links = {"base"};
        app.files = {write("app/main.cpp", "#include \"core/Model.h\"\nint main() {}\n")};
        app.links = {"core", "base"};
        project.targets = {base, core, app};
    }

    Target base{"base"};
    Target core{"core"};
    Target app{"app"};
};

// The studio's layers in small: the catalog, the kit, a test of the kit and a test support
// library beside the layers, each linking only what it may.
class LayerOrderTest : public ScratchProjectTest {
protected:
    void SetUp() override {
        project.root = projectPath();
        project.roots = {projectPath("src"), projectPath("tests")};
        project.layerOrder = studioLayerOrder();
        project.targets = {Target("marlox_catalog"), Target("marlox_kit"),
                           Target("marlox_test_screens"), Target("kit_tests")};
        catalog().files = {write("src/catalog/Catalog.h", "#pragma once\n")};
        catalog().publicHeaders = {{"catalog/Catalog.h", catalog().files[0]}};
        catalog().definedIn = projectPath("src/catalog/CMakeLists.txt");
        kit().files = {write("src/ui/kit/Theme.h", "#pragma once\n"),
                       write("src/ui/kit/Theme.cpp", "#include \"Theme.h\"\n")};
        kit().publicHeaders = {{"ui/kit/Theme.h", kit().files[0]}};
        kit().definedIn = projectPath("src/ui/kit/CMakeLists.txt");
        screensSupport().files = {write("tests/support/Screens.h", "#pragma once\n")};
        screensSupport().dependencies = {"marlox_catalog"};
        kitTests().files = {write("tests/ui/kit/ThemeTest.cpp", "#include \"ui/kit/Theme.h\"\n")};
        kitTests().dependencies = kitTests().links = {"marlox_kit"};
        kitTests().definedIn = projectPath("tests/ui/kit/CMakeLists.txt");
    }

    Target& catalog() { return project.targets[0]; }
    Target& kit() { return project.targets[1]; }
    Target& screensSupport() { return project.targets[2]; }
    Target& kitTests() { return project.targets[3]; }
};

TEST_F(StructureCheckTest, FindsIncludesOfHeadersTheTargetMayNotUse) {
    // GIVEN a library that includes upwards, through a relative path, another's private header
    // and a header nobody exports, and a program that includes a library it does not link
    project.targets[0].files.push_back(write("base/Up.cpp", "#include \"core/Model.h\"\n"
                                                            "#include \"../core/Model.h\"\n"
                                                            "#include \"core/Hidden.h\"\n"
                                                            "\n#include \"nowhere/Gone.h\"\n"));
    project.targets[2].links = {"core"};
    project.targets[2].files.push_back(write("app/Other.cpp", "// #include \"base/Text.h\"\n"
                                                              "#include \"base/Text.h\"\n"));
    // THEN each include is named with its line; the commented one is not
    EXPECT_EQ(findings(),
              (std::vector<std::string>{
                  "Other.cpp:2: includes \"base/Text.h\" of base, which app does not "
                  "link",
                  "Up.cpp:1: includes \"core/Model.h\" of core, which base does not link",
                  "Up.cpp:2: includes \"../core/Model.h\" of core, which base does not "
                  "link",
                  "Up.cpp:3: includes \"core/Hidden.h\", a private header of core",
                  "Up.cpp:5: includes \"nowhere/Gone.h\", which no target exports"}));
}

TEST_F(StructureCheckTest, FindsDefinitionsOutsideTheFileNamedAfterTheirHeader) {
    // GIVEN definitions of the core's class and free function in a file of another name, beside
    // a system's own file of the header, file-local helpers and a class of the file itself
    project.targets[1].files.push_back(write("core/Loader.cpp",
                                             "namespace m::core {\nvoid Model::load() {}\n"
                                             "void reset() {}\nstatic void size() {}\n"
                                             "namespace { void reset() {} }\n"
                                             "struct Local { void load(); };\n"
                                             "void Local::load() {}\n}\n"));
    project.targets[1].files.push_back(
        write("core/Model_linux.cpp", "void m::core::Model::load() {}\n"));
    // AND a namespace-qualified definition of the base's function in the program
    project.targets[2].files.push_back(write("app/Size.cpp", "namespace m {\nint base::size() "
                                                             "{ return 2; }\n}\n"));
    // THEN only the three definitions of other headers are found
    EXPECT_EQ(findings(), (std::vector<std::string>{
                              "Size.cpp:2: defines m::base::size, which Text.h declares: "
                              "its definitions belong in the file of its name",
                              "Loader.cpp:2: defines m::core::Model::load, which "
                              "Model.h declares: its definitions belong in the file of "
                              "its name",
                              "Loader.cpp:3: defines m::core::reset, which Model.h "
                              "declares: its definitions belong in the file of its name"}));
}

TEST_F(StructureCheckTest, FindsFilesThatBelongToNoTargetButThoseOfOtherSystems) {
    write("core/Stray.h", "#pragma once\n");
    write("core/notes.txt", "not C++");
    project.elsewhere.insert(write("core/Model_mac.cpp", "void m::core::Model::load() {}\n"));
    EXPECT_EQ(findings(), std::vector<std::string>{"Stray.h:0: belongs to no target"});
}

TEST_F(StructureCheckTest, FindsFuturesContinuedOnThis) {
    // GIVEN continuations on `this` through a value and a pointer, beside a comment and a text
    // that only name one, and continuations on other contexts
    project.targets[1].files.push_back(
        write("core/Later.cpp", "// .then(this, done)\nvoid a() {\n    f.then(this, [] {});\n"
                                "    p->then(\n        this, [] {});\n"
                                "    g.then(other, [] {});\n    h.then([this] {});\n"
                                "    log(\".then(this\");\n}\n"));
    // THEN the two continuations on `this` are found, each on the line of its call
    const std::string message =
        ": continues a future on this, which may go first: use platform::continueOn";
    EXPECT_EQ(findings(),
              (std::vector<std::string>{"Later.cpp:3" + message, "Later.cpp:4" + message}));
}

TEST_F(LayerOrderTest, FindsLinksAgainstTheOrderWhereTheyAreWritten) {
    // GIVEN a project that keeps its layers
    ASSERT_EQ(findings(), std::vector<std::string>{});
    // WHEN the catalog links the kit above it, the kit links the catalog it keeps apart from and
    // a test support library beside the layers, and the kit's test links a support library that
    // links the catalog
    catalog().dependencies = {"marlox_kit"};
    kit().dependencies = {"marlox_catalog", "marlox_test_screens"};
    kitTests().dependencies.insert("marlox_test_screens");
    // THEN each link is found, the test's through the library it comes with
    const std::string test = "CMakeLists.txt:0: kit_tests links marlox_catalog of the catalog "
                             "layer through marlox_test_screens, which the tests of the kit "
                             "layer may not use";
    EXPECT_EQ(findings(), (std::vector<std::string>{
                              "CMakeLists.txt:0: marlox_catalog links marlox_kit of the kit "
                              "layer, which the catalog layer may not use",
                              "CMakeLists.txt:0: marlox_kit links marlox_catalog of the catalog "
                              "layer, which the kit layer may not use",
                              "CMakeLists.txt:0: marlox_kit links marlox_test_screens beside the "
                              "layers, which the kit layer may not use",
                              test}));
}

TEST_F(LayerOrderTest, FindsIncludesAgainstTheOrderEvenOfALinkedLibrary) {
    // GIVEN the kit linking the catalog, and including its header in a source and, through a
    // relative path, in a header; and a file of src/ in no layer's folder
    kit().dependencies = kit().links = {"marlox_catalog"};
    kit().files.push_back(write("src/ui/kit/Pill.cpp", "#include \"catalog/Catalog.h\"\n"));
    kit().files.push_back(
        write("src/ui/kit/Pill.h", "#pragma once\n#include \"../../catalog/Catalog.h\"\n"));
    kit().files.push_back(write("src/extra/Stray.cpp", ""));
    // THEN both includes are found beside the link, and the stray file
    const std::string layer = " of the catalog layer, which the kit layer may not use";
    EXPECT_EQ(findings(),
              (std::vector<std::string>{"Stray.cpp:0: lies in no layer",
                                        "CMakeLists.txt:0: marlox_kit links marlox_catalog" + layer,
                                        "Pill.cpp:1: includes \"catalog/Catalog.h\"" + layer,
                                        "Pill.h:2: includes \"../../catalog/Catalog.h\"" + layer}));
}

TEST(StudioLayerOrderTest, TheStudioKeepsItsLayersAndABackLinkPlantedInItIsFound) {
    // GIVEN the studio's targets as its build describes them
    QFile manifest(MARLOX_STRUCTURE_MANIFEST);
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    Project studio = readManifest(manifest.readAll().toStdString());
    studio.layerOrder = studioLayerOrder();
    EXPECT_EQ(findingsOf(studio), std::vector<std::string>{});
    // WHEN the catalog links the kit
    const auto catalog =
        std::find_if(studio.targets.begin(), studio.targets.end(),
                     [](const Target& target) { return target.name == "marlox_catalog"; });
    ASSERT_NE(catalog, studio.targets.end());
    catalog->dependencies.insert("marlox_kit");
    // THEN that link alone is found
    EXPECT_EQ(findingsOf(studio),
              std::vector<std::string>{"CMakeLists.txt:0: marlox_catalog links marlox_kit of the "
                                       "kit layer, which the catalog layer may not use"});
}

TEST(SourceScanTest, ReadsDeclarationsAndDefinitionsPastWhatOnlyLooksLikeThem) {
    // GIVEN code whose comments, literals, default arguments, initializers and bodies hold
    // braces and names, and macros of the kinds Qt and gtest use
    const SourceFacts facts = scanSource(R"cpp(
#include "a/B.h" // the include
namespace outer::inner {
/* void commented(); { */
class Q_DECL_EXPORT Widget final : public Base {
    Q_DISABLE_COPY(Widget)
    Q_PROPERTY(int x READ x NOTIFY xChanged)
public:
    struct Part { int x = 0; };
    void resize(Size size = {1, 2});
    friend bool operator==(const Widget&, const Widget&);
signals:
    void xChanged();
};
std::optional<QString> text(const QString& raw = QStringLiteral("{"));
inline const QString label = QStringLiteral("f();");
const char* raw = R"x(} void fake() {)x";
Result<int, Error> Widget::Part::measure(int a) const {
    if (a) { return {a}; }
    auto local = [](int b) { return b; };
}
Widget::Widget() : m_a{1}, m_b(2) {}
const QStringList Widget::names = {"a", "b"};
TEST_F(WidgetTest, Draws) { callSomething(); }
} // namespace outer::inner
)cpp");
    EXPECT_EQ(facts.includes.size(), 1u);
    EXPECT_EQ(names(facts.classes),
              (std::vector<std::string>{"outer::inner::Widget", "outer::inner::Widget::Part"}));
    EXPECT_EQ(names(facts.declaredFunctions),
              (std::vector<std::string>{"outer::inner::operator==", "outer::inner::text"}));
    EXPECT_EQ(
        names(facts.definitions),
        (std::vector<std::string>{"outer::inner::Widget::Part::measure",
                                  "outer::inner::Widget::Widget", "outer::inner::Widget::names"}));
}

} // namespace
