#include "screens/support/SupportRequest.h"

#include "SupportTestSupport.h"
#include "support/AwaitFuture.h"
#include "support/ReadOnlyFolder.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrlQuery>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

const QString countdownID = "studio.marlox.countdown-pro";

// A catalog of one package, its record, and the build's values.
class SupportDraftTest : public ScratchHomeTest {
protected:
    SupportDraftTest() {
        context.packages = {namedPackage(countdownID, "Countdown Pro", "2.1.0")};
        context.installedByID = recordsByID(
            {testRecord(countdownID, "2.0.0"), testRecord("studio.marlox.gone", "0.9")});
        context.loadSourceLabel = "Embedded";
        context.appVersionText = "1.0.0 (100)";
        context.appDisplayName = "Marlox Studio";
        context.supportEmailAddress = "support@marlox.studio";
        context.operationsLogPath = home.filePath("Logs/operations.log");
        form.customerEmail = "  user@example.com \n";
        form.messageBody = "\n The counter stops at 59. \n";
    }

    void writeLog() const { writeFile(context.operationsLogPath, "[2026] Install started\n"); }

    // What Open Draft shows once the services have answered.
    SupportDraftOutcome openedDraft(RecordingMailComposer& composer,
                                    RecordingWorkspace& workspace) const {
        QObject receiver;
        const std::optional<SupportDraftOutcome> outcome =
            awaitedResult(openSupportDraft(receiver, form, context, composer, workspace));
        if (!outcome) {
            ADD_FAILURE() << "Open Draft was never answered";
            return {};
        }
        return *outcome;
    }

    SupportContext context;
    SupportForm form;
};

TEST(SupportTargetOptionsTest, ListsGeneralThenRecordsByNameIgnoringCaseAndUnknownsByID) {
    // GIVEN packages with small and capital names, two sharing an id, and a record the catalog
    // lacks
    const QList<PackageManifest> packages = {
        namedPackage("b", "Beta"), namedPackage("a", "alpha"), namedPackage("dup", "Zed"),
        namedPackage("dup", "Aardvark"), namedPackage("c", "ALPHA two")};
    const auto records =
        recordsByID({testRecord("b", "2.0"), testRecord("a", "1.0"), testRecord("dup", "3.0"),
                     testRecord("c", "5"), testRecord("unknown.id", "4.0")});

    // WHEN the options are built THEN the first package of an id names it
    EXPECT_EQ(supportTargetOptions(packages, records),
              QList<SupportTargetOption>({{"__general__", "General app issue"},
                                          {"a", "alpha · 1.0"},
                                          {"c", "ALPHA two · 5"},
                                          {"b", "Beta · 2.0"},
                                          {"unknown.id", "unknown.id · 4.0"},
                                          {"dup", "Zed · 3.0"}}));
    EXPECT_EQ(supportTargetOptions(packages, {}),
              QList<SupportTargetOption>({{"__general__", "General app issue"}}));
}

TEST(SupportTargetOptionsTest, ARecordOfAnIDListedTwiceGoesByTheEntryOfItsVersion) {
    // GIVEN a catalog listing "dup" twice, and a record of the later entry's version
    const QList<PackageManifest> packages = {namedPackage("dup", "Alpha", "2.0.0"),
                                             namedPackage("dup", "Zulu", "1.0.0")};
    const auto records = recordsByID({testRecord("dup", "1.0.0")});

    // THEN the picker and the draft name that entry
    EXPECT_EQ(supportTargetOptions(packages, records).value(1),
              (SupportTargetOption{"dup", "Zulu · 1.0.0"}));
    EXPECT_EQ(selectedSupportPackage(selectedSupportRecord("dup", records), packages)->name,
              "Zulu");
}

TEST(SupportTargetOptionsTest, TheLineUnderThePickerNamesTheVersionAndTheKind) {
    const auto records = recordsByID({testRecord("t", "2.0", PackageType::template_),
                                      testRecord("f", "1.1", PackageType::filter)});
    const QList<SupportTargetOption> options = supportTargetOptions({}, records);
    EXPECT_EQ(affectedPluginInformationLine(options, selectedSupportRecord("t", records)),
              "Installed version 2.0 · Templates");
    EXPECT_EQ(affectedPluginInformationLine(options, selectedSupportRecord("f", records)),
              "Installed version 1.1 · Filters");
    EXPECT_EQ(affectedPluginInformationLine(options, selectedSupportRecord("gone", records)),
              std::nullopt);
    EXPECT_EQ(affectedPluginInformationLine(supportTargetOptions({}, {}), std::nullopt),
              noInstalledPluginsLine);
}

TEST_F(SupportDraftTest, TheBodyNamesTargetUserSystemAndApp) {
    form.selectedTargetID = countdownID;
    form.systemInfo = {"5.8 (412)", "", "  Debian GNU/Linux 12 (bookworm) ", " \t"};
    EXPECT_EQ(supportDraftSubject(form, context), "Marlox Studio Support - Countdown Pro");
    EXPECT_EQ(supportDraftBody(form, context), "Support request for Marlox Studio\n\n"
                                               "Affected plugin: Countdown Pro\n"
                                               "Package ID: studio.marlox.countdown-pro\n"
                                               "Installed plugin version: 2.0.0\n"
                                               "Customer email: user@example.com\n\n"
                                               "What happened:\nThe counter stops at 59.\n\n"
                                               "System info:\n"
                                               "Apple Motion version: 5.8 (412)\n"
                                               "Final Cut Pro version: Not provided\n"
                                               "macOS version: Debian GNU/Linux 12 (bookworm)\n"
                                               "Mac model: Not provided\n\n"
                                               "App info:\n"
                                               "App version: 1.0.0 (100)\n"
                                               "Build flavor: Marlox Studio\n"
                                               "Catalog source: Embedded");
}

TEST_F(SupportDraftTest, TargetsWithoutACatalogPackageGiveTheGeneralSubject) {
    // The selected id, then the affected plugin, package id and version lines the body holds.
    const std::tuple<QString, QString, QString, QString> cases[] = {
        {"__general__", "General app issue", "n/a", "n/a"},
        {"studio.marlox.gone", "General app issue", "n/a", "0.9"},
        {"removed.since", "General app issue", "n/a", "n/a"},
    };
    for (const auto& [selectedID, plugin, packageID, version] : cases) {
        form.selectedTargetID = selectedID;
        EXPECT_EQ(supportDraftSubject(form, context), "Marlox Studio Support Request");
        EXPECT_TRUE(supportDraftBody(form, context)
                        .contains("Affected plugin: " + plugin + "\nPackage ID: " + packageID +
                                  "\nInstalled plugin version: " + version + "\n"))
            << selectedID.toStdString();
    }
}

TEST_F(SupportDraftTest, TheSummaryCountsAttachedFilesAndAnExistingLog) {
    // Attached files, whether logs are included and exist, and the words.
    const std::tuple<int, bool, bool, QString> cases[] = {
        {0, false, true, "no attachments"}, {1, false, false, "1 attachment"},
        {0, true, true, "1 attachment"},    {0, true, false, "no attachments"},
        {2, true, true, "3 attachments"},   {2, false, true, "2 attachments"},
    };
    for (const auto& [files, includeLogs, logExists, expected] : cases) {
        QFile::remove(context.operationsLogPath);
        if (logExists) {
            writeLog();
        }
        form.attachedMediaPaths.clear();
        for (int file = 0; file < files; ++file) {
            form.attachedMediaPaths.append(home.filePath(QString("shot%1.png").arg(file)));
            writeFile(form.attachedMediaPaths.last(), "png");
        }
        form.includeAppLogs = includeLogs;
        EXPECT_EQ(attachmentSummary(form, context), expected);
    }
}

TEST_F(SupportDraftTest, AttachmentsThatAreNoReadableFilesAreLeftOutNamedAndTheOthersGoAlong) {
    // GIVEN two pictures among a folder, a pipe and a link to a file its user may not read
    const QString first = home.filePath("shots/a.png");
    const QString second = home.filePath("shots/b.png");
    const QString secret = home.filePath("private/secret.png");
    for (const QString& file : {first, second, secret}) {
        writeFile(file, "png");
    }
    QFile::setPermissions(secret, {});
    QDir().mkpath(home.filePath("shots/Folder"));
    ASSERT_EQ(mkfifo(QFile::encodeName(home.filePath("shots/pipe.mov")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(secret, home.filePath("shots/link.png")));
    form.attachedMediaPaths = {first, home.filePath("shots/Folder"),
                               home.filePath("shots/pipe.mov"), home.filePath("shots/link.png"),
                               second};
    const NoPermissionOverride asTheUser;
    RecordingMailComposer composer;
    RecordingWorkspace workspace;

    // WHEN the draft is opened
    const SupportDraftOutcome outcome = openedDraft(composer, workspace);

    // THEN the pictures go with it in their order, and the status names what was left out
    ASSERT_EQ(composer.composed.size(), 1);
    EXPECT_EQ(composer.composed[0].attachmentPaths, QStringList({first, second}));
    EXPECT_EQ(outcome.statusMessage,
              "Mail draft opened with 2 attachments. Not attached, as they are not readable "
              "files: Folder, pipe.mov, link.png.");
}

TEST(SupportMailtoTest, HostileTextsDecodeBackUnchangedAndAddNoRecipientOrHeader) {
    const QString texts[] = {
        "a&cc=evil@example.com&bcc=x@y.z",
        "What? #fragment = 100% + more",
        "line one\nline two\r\nline three",
        "Ünïcødé ✓ 🎬 · «quotes» \"double\" 'single'",
        "%0A%26 already encoded, ; / : @ ! $ ( ) * , [ ]",
        "",
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        const auto url = supportMailtoURL("support@marlox.studio", text, text + "\nbody");
        ASSERT_TRUE(url.has_value());
        EXPECT_TRUE(QRegularExpression("^mailto:support@marlox\\.studio\\?subject=[A-Za-z0-9._~%-]*"
                                       "&body=[A-Za-z0-9._~%-]*$")
                        .match(QString::fromLatin1(url->toEncoded()))
                        .hasMatch())
            << url->toEncoded().toStdString();
        const QUrlQuery query(*url);
        EXPECT_EQ(query.queryItems().size(), 2);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), text);
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), text + "\nbody");
        EXPECT_EQ(url->path(), "support@marlox.studio");
    }
    EXPECT_EQ(supportMailtoURL(" ", "s", "b"), std::nullopt);
}

TEST_F(SupportDraftTest, WithoutTheComposeServiceTheMailtoAddressIsOpened) {
    // Attached file, logs switched on, the composer is there but answers that it did not take the
    // draft, the workspace takes it, outcome.
    const std::tuple<bool, bool, bool, bool, SupportDraftOutcome> cases[] = {
        {false, false, false, true, {mailtoOpenedMessage, {}}},
        {true, false, false, true, {mailtoWithAttachmentsMessage, {}}},
        {false, true, false, true, {mailtoWithAttachmentsMessage, {}}},
        {false, false, true, true, {mailtoOpenedMessage, {}}},
        {false, false, false, false, {{}, mailDraftNotOpenedMessage}},
        {true, true, true, false, {{}, mailDraftNotOpenedMessage}},
    };
    for (const auto& [withFile, withLogs, serviceFails, opens, expected] : cases) {
        form.attachedMediaPaths = withFile ? QStringList{home.filePath("a.png")} : QStringList{};
        form.includeAppLogs = withLogs;
        RecordingMailComposer composer;
        composer.available = serviceFails;
        composer.takesDrafts = false;
        RecordingWorkspace workspace;
        workspace.acceptsURLs = opens;

        EXPECT_EQ(openedDraft(composer, workspace), expected);
        EXPECT_EQ(composer.composed.size(), serviceFails ? 1 : 0);
        ASSERT_EQ(workspace.openedURLs.size(), 1);
        EXPECT_EQ(QUrlQuery(workspace.openedURLs[0]).queryItemValue("body", QUrl::FullyDecoded),
                  supportDraftBody(form, context));
    }
}

TEST_F(SupportDraftTest, AnAddressThatFormsNoMailtoLeavesTheDraftUnprepared) {
    context.supportEmailAddress = "";
    RecordingMailComposer composer;
    composer.available = false;
    RecordingWorkspace workspace;
    EXPECT_EQ(openedDraft(composer, workspace),
              SupportDraftOutcome({{}, draftPreparationFailedMessage}));
    EXPECT_TRUE(workspace.openedURLs.isEmpty());
}

TEST_F(SupportDraftTest, CopyDraftAppendsTheExcerptAndTheFilesToAttachByHand) {
    const QString body = supportDraftBody(form, context);
    // Logs switched on, the excerpt, the files, and what follows the body.
    const std::tuple<bool, std::optional<QString>, QStringList, QString> cases[] = {
        {false, std::nullopt, {}, ""},
        {true, "[1] a\n[2] b", {}, "\n\nRecent operations log:\n[1] a\n[2] b"},
        {true, "", {}, ""},
        {false, "[1] stale", {}, ""},
        {false,
         std::nullopt,
         {"/shots/One.png", "/movies/Two.mov"},
         "\n\nAttached files (add manually): One.png, Two.mov"},
    };
    for (const auto& [includeLogs, snippet, files, appended] : cases) {
        form.includeAppLogs = includeLogs;
        form.logSnippet = snippet;
        form.attachedMediaPaths = files;
        RecordingClipboard clipboard;
        EXPECT_EQ(copySupportDraft(form, context, clipboard),
                  SupportDraftOutcome({"Support draft copied to the clipboard.", {}}));
        EXPECT_EQ(clipboard.texts, QStringList{body + appended});
    }
}

TEST_F(SupportDraftTest, ALogDeletedAfterSwitchingOnIsNoLongerAttachedButItsExcerptIsCopied) {
    // GIVEN the log switched on with its excerpt read, and then the log file removed
    writeLog();
    form.includeAppLogs = true;
    form.logSnippet = "[2026] Install started\n";
    QFile::remove(context.operationsLogPath);

    // THEN the summary and the draft leave the log out, the copy keeps the excerpt, and the
    // mailto: route still asks for attachments by hand
    EXPECT_EQ(attachmentSummary(form, context), "no attachments");
    EXPECT_TRUE(supportMailDraft(form, context).attachmentPaths.isEmpty());
    EXPECT_TRUE(copiedSupportDraft(form, context).endsWith("log:\n[2026] Install started\n"));
    RecordingMailComposer composer;
    composer.available = false;
    RecordingWorkspace workspace;
    EXPECT_EQ(openedDraft(composer, workspace).statusMessage, mailtoWithAttachmentsMessage);
}

} // namespace
